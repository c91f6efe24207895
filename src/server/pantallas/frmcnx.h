#pragma once
#include "server/consulta.h"

#include <QWidget>

struct Contexto;

// The small window that stays on screen while the size query runs.
class FrmCnx : public QWidget {
    Q_OBJECT
public:
    explicit FrmCnx(Contexto& contexto);
    // Runs the query; returns when it has ended, the window closed.
    ResultadoConsulta inicio();
    QString URL;
    QString msgError;

protected:
    void closeEvent(QCloseEvent* evento) override;

private:
    Contexto& ctx_;
    AbandonoConsulta abandono_;
    bool enCurso_ = false;
};
