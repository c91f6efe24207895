#pragma once
// The menu's cover picture, drawn on another core while start-up goes on: the
// first text drawn makes Qt read the system's fonts, which takes as long as
// the rest of the start-up together.
#include <QImage>
#include <QPixmap>

#include <memory>

class QThread;

class Portada {
public:
    // Starts drawing at once; the application object must exist.
    explicit Portada(QSize tamano);
    ~Portada();
    Portada(const Portada&) = delete;
    Portada& operator=(const Portada&) = delete;

    // Waits for the drawing, if it is not over yet.
    QPixmap imagen();

private:
    QImage imagen_;
    std::unique_ptr<QThread> hilo_;
};
