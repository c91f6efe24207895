#pragma once
// Driving a screen's widgets as an operator would.
#include <QString>
#include <QEvent>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>

// A control of a screen by its name; a missing one fails the test.
template <class T>
T* Control(QWidget& pantalla, const char* nombre)
{
    T* w = pantalla.findChild<T*>(QString::fromLatin1(nombre));
    EXPECT_NE(w, nullptr) << nombre;
    return w;
}

// Runs hago() once, the moment the screen's control of that name gets the
// event (a run's "Cancelar" shows before its run starts, and hides once it ended).
class AlEvento : public QObject {
public:
    AlEvento(QWidget* pantalla, const char* nombre, QEvent::Type tipo, std::function<void()> hago);
    bool hecho = false;

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    QWidget* pantalla_;
    QString nombre_;
    QEvent::Type tipo_;
    std::function<void()> hago_;
};
// "Cancelar" pressed before the run starts: cancelled however quickly it would end.
AlEvento CanceloAlAparecer(QWidget* pantalla);

// Two clicks queued before the first is handled, as a quick double click; the
// events are then processed.
void DosClicsSeguidos(QWidget* boton);
