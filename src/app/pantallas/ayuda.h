#pragma once
#include <QWidget>

class Dialogos;
class QTextBrowser;

// The help viewer: the help file is HTML of our own.
class VisorAyuda : public QWidget {
    Q_OBJECT
public:
    explicit VisorAyuda(Dialogos& dialogos);
    // At the section named ancla, when given.
    void abro(const QString& archivo, const QString& ancla = {});
    QTextBrowser* texto = nullptr;
private:
    Dialogos& dialogos_;
};
