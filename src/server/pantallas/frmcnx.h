#pragma once
#include "server/consulta.h"

#include <QWidget>

#include <memory>

struct Contexto;

// The small window that stays on screen while the size query runs.
class FrmCnx : public QWidget {
    Q_OBJECT
public:
    explicit FrmCnx(Contexto& contexto);
    // The query, started before the window is on screen; its time limit
    // counts from the moment the window shows.
    static std::unique_ptr<ConsultaEnCurso> Anticipo(Contexto& contexto);
    // Waits for the query (started here if not given); returns when it has
    // ended, the window closed.
    ResultadoConsulta inicio(std::unique_ptr<ConsultaEnCurso> consulta = {});
    QString URL;
    QString msgError;

protected:
    void closeEvent(QCloseEvent* evento) override;

private:
    Contexto& ctx_;
    ConsultaEnCurso* enCurso_ = nullptr;
};
