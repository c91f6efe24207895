#include "config/pantallas/compartido.h"

#include "system/tamanos.h"

#include <QDir>
#include <QFileInfo>

Compartido& compartido()
{
    static Compartido valores;
    return valores;
}

void CalculoTamanoBytes() { compartido().TamanoMaximoBytes = MegasABytes(compartido().TamanoMaximoMB); }

void AplicoConfiguracion(const Configuracion& c)
{
    Compartido& v = compartido();
    v.RutaIni = c.rutaIni;
    v.UrlServicio = c.urlServicio;
    v.CarpetaGuardada = c.carpetaGuardada;
}

void RecuerdoCarpeta(const QString& carpeta)
{
    compartido().CarpetaGuardada = carpeta;
    // The operator's own file may be the first thing in its folder.
    QDir().mkpath(QFileInfo(compartido().RutaIni).path());
    GuardoCarpetaINI(compartido().RutaIni, QStringLiteral("NETWORK"), carpeta);
}
