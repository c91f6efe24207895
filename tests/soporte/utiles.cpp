#include "soporte/utiles.h"

#include "config/compartido.h"

Escenario::Escenario()
{
    compartido() = Compartido{};
    ctx.carpetaAplicacion = carpeta.path();
    ctx.esAdministrador = [] { return true; };
    ctx.programa = QStringLiteral("TERV");
    compartido().RutaIni = carpeta.path() + QStringLiteral("/TERV.ini");
}
