#include "soporte/utiles.h"

#include "config/compartido.h"
#include "system/archivos.h"

#include <QFile>
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
