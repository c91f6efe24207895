#include "server/pantallas/frmcnx.h"

#include "config/pantallas/compartido.h"
#include "system/pantallas/contexto.h"
#include "system/pantallas/pantalla.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QLabel>
#include <QPainter>
#include <QPixmap>

namespace {

// The form's own 32x32 globe, painted: no image plug-in is loaded at start-up.
QPixmap DibujoIconoRed()
{
    QPixmap p(32, 32);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setBrush(QColor(0x4f, 0x8f, 0xd8));
    g.setPen(QPen(QColor(0x1f, 0x4f, 0x8f), 1.5));
    g.drawEllipse(QRectF(2, 2, 28, 28));
    g.setBrush(Qt::NoBrush);
    g.setPen(QPen(Qt::white, 1.2));
    g.drawEllipse(QRectF(10, 2.5, 12, 27));
    g.drawLine(QPointF(16, 2.5), QPointF(16, 29.5));
    g.drawLine(QPointF(3, 12), QPointF(29, 12));
    g.drawLine(QPointF(3, 20), QPointF(29, 20));
    return p;
}

} // namespace

FrmCnx::FrmCnx(Contexto& contexto) : ctx_(contexto)
{
    setObjectName(QStringLiteral("frmCnx"));
    setWindowTitle(QStringLiteral("Conexión a Internet"));
    setFixedSize(Tw(5400), Tw(900));
    auto* icono = new QLabel(this);
    icono->setObjectName(QStringLiteral("Image1"));
    icono->setPixmap(DibujoIconoRed());
    icono->setGeometry(Tw(240), Tw(210), Tw(480), Tw(480)); // to the screens' scale
    icono->setScaledContents(true);
    Etiqueta(this, "Label1", QStringLiteral("Corroborando datos de tamaño de partición..."), 900, 330, 4400, 300);
}

std::unique_ptr<ConsultaEnCurso> FrmCnx::Anticipo(Contexto& contexto)
{
    return std::make_unique<ConsultaEnCurso>(ArmoUrlConsulta(compartido().UrlServicio, contexto.programa),
                                             contexto.esperaConsultaMs, true);
}

ResultadoConsulta FrmCnx::inicio(std::unique_ptr<ConsultaEnCurso> consulta)
{
    show();
    centroFormulario(this);
    if (!consulta)
        consulta = Anticipo(ctx_);
    // The operator's time reading the boxes before this window is not the service's.
    consulta->inicioLimite();
    URL = consulta->url();
    msgError.clear();
    ResultadoConsulta r;
    {
        CursorOcupado ocupado;
        enCurso_ = consulta.get();
        QEventLoop espera;
        connect(consulta.get(), &ConsultaEnCurso::termino, &espera, &QEventLoop::quit);
        if (!consulta->terminada())
            espera.exec();
        enCurso_ = nullptr;
        r = consulta->resultado();
    }
    if (r.exito)
        compartido().TamanoMaximoMB = r.tamanoMB;
    msgError = r.msgError;
    hide();
    close();
    QApplication::processEvents();
    if (r.causa)
        ctx_.dialogos.mensaje(nullptr, {r.causa->titulo, r.causa->texto, Icono::Critico});
    return r;
}

void FrmCnx::closeEvent(QCloseEvent* evento)
{
    // Closing the window while it waits gives up the query: start-up goes on.
    if (enCurso_)
        enCurso_->abandono();
    QWidget::closeEvent(evento);
}
