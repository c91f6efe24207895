#include "server/frmcnx.h"

#include "config/compartido.h"
#include "system/contexto.h"
#include "system/pantalla.h"

#include <QApplication>
#include <QLabel>
#include <QStyle>

FrmCnx::FrmCnx(Contexto& contexto) : ctx_(contexto)
{
    setObjectName(QStringLiteral("frmCnx"));
    setWindowTitle(QStringLiteral("Conexión a Internet"));
    setFixedSize(Tw(5400), Tw(900));
    auto* icono = new QLabel(this);
    icono->setObjectName(QStringLiteral("Image1"));
    icono->setPixmap(style()->standardIcon(QStyle::SP_DriveNetIcon).pixmap(32, 32));
    icono->setGeometry(Tw(240), Tw(210), 32, 32);
    Etiqueta(this, "Label1", QStringLiteral("Corroborando datos de tamaño de partición..."), 900, 330, 4400, 300);
}

ResultadoConsulta FrmCnx::inicio()
{
    show();
    centroFormulario(this);
    URL = ArmoUrlConsulta(compartido().UrlServicio, ctx_.programa);
    msgError.clear();
    QApplication::processEvents();
    ResultadoConsulta r;
    {
        CursorOcupado ocupado;
        r = ConsultoTamano(URL, ctx_.esperaConsultaMs);
    }
    if (r.exito)
        compartido().TamanoMaximoMB = r.tamanoMB;
    msgError = r.msgError;
    hide();
    close();
    QApplication::processEvents();
    if (r.mensaje)
        ctx_.dialogos.mensaje(nullptr, *r.mensaje);
    return r;
}
