#include "soporte/utiles.h"
#include "soporte/controles.h"

#include "config/compartido.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

Escenario::Escenario()
{
    compartido() = Compartido{};
    ctx.carpetaAplicacion = carpeta.path();
    ctx.esAdministrador = [] { return true; };
    ctx.programa = QStringLiteral("TERV");
    compartido().RutaIni = carpeta.path() + QStringLiteral("/TERV.ini");
}

void DosClicsSeguidos(QWidget* boton)
{
    for (int i = 0; i < 2; ++i) {
        const QPoint centro = boton->rect().center();
        QCoreApplication::postEvent(boton, new QMouseEvent(QEvent::MouseButtonPress, centro, boton->mapToGlobal(centro),
                                                           Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(boton, new QMouseEvent(QEvent::MouseButtonRelease, centro, boton->mapToGlobal(centro),
                                                           Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
    }
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}
