#include "soporte/utiles.h"
#include "soporte/controles.h"

#include "config/pantallas/compartido.h"
#include "system/archivos.h"

#include <QCoreApplication>
#include <QFile>
#include <QMouseEvent>
#include <QAbstractButton>
#include <QWidget>
#include <sys/stat.h>

Escenario::Escenario()
{
    compartido() = Compartido{};
    ctx.carpetaAplicacion = carpeta.path();
    ctx.esAdministrador = [] { return true; };
    ctx.programa = QStringLiteral("TERV");
    compartido().RutaIni = carpeta.path() + QStringLiteral("/TERV.ini");
}

void PreparoIniIlegible(const QByteArray& contenido)
{
    const QString ini = compartido().RutaIni;
    EscriboArchivo(ini, contenido);
    ::chmod(QFile::encodeName(CarpetaDeRuta(ini)).constData(), 0755);
    ::chmod(QFile::encodeName(ini).constData(), 0600);
}

AlEvento::AlEvento(QWidget* pantalla, const char* nombre, QEvent::Type tipo, std::function<void()> hago)
    : pantalla_(pantalla), nombre_(QString::fromLatin1(nombre)), tipo_(tipo), hago_(std::move(hago))
{
    QCoreApplication::instance()->installEventFilter(this);
}

bool AlEvento::eventFilter(QObject* objeto, QEvent* evento)
{
    if (evento->type() == tipo_ && !hecho && objeto->objectName() == nombre_
        && pantalla_->isAncestorOf(static_cast<QWidget*>(objeto))) {
        hecho = true;
        hago_();
    }
    return false;
}

AlEvento CanceloAlAparecer(QWidget* pantalla)
{
    return AlEvento(pantalla, "cmdCancelar", QEvent::Show,
                    [pantalla] { pantalla->findChild<QAbstractButton*>(QStringLiteral("cmdCancelar"))->click(); });
}

void DosClicsSeguidos(QWidget* boton)
{
    for (int i = 0; i < 2; ++i) {
        const QPoint centro = boton->rect().center();
        QCoreApplication::postEvent(boton,
                                    new QMouseEvent(QEvent::MouseButtonPress, centro, boton->mapToGlobal(centro),
                                                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(boton,
                                    new QMouseEvent(QEvent::MouseButtonRelease, centro, boton->mapToGlobal(centro),
                                                    Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
    }
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}
