#pragma once
#include <QWidget>

class Dialogos;
class QTextBrowser;

// The help viewer: the help file is HTML of our own.
// The help section of each window, by its objectName; empty for the top.
QString SeccionAyuda(const QString& ventana);

class VisorAyuda : public QWidget {
    Q_OBJECT
public:
    explicit VisorAyuda(Dialogos& dialogos);
    // Opens the file at a section (its anchor; empty: the top), over "sobre".
    void abro(const QString& archivo, const QString& seccion = {}, QWidget* sobre = nullptr);
    QTextBrowser* texto = nullptr;
    QString seccion; // the one last shown
private:
    Dialogos& dialogos_;
};
