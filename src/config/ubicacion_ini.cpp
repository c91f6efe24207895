#include "config/ubicacion_ini.h"

#include "system/archivos.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString kNombreIni = QStringLiteral("TERV.ini");

// The installation prefix when the executable sits in PREFIX/bin.
std::optional<QString> Prefijo(const QString& carpetaAplicacion)
{
    const QFileInfo carpeta(QDir::cleanPath(carpetaAplicacion));
    if (carpeta.fileName() != QLatin1String("bin"))
        return std::nullopt;
    return carpeta.path();
}

} // namespace

UbicacionIni UbicoIni(const QString& carpetaAplicacion, const QString& carpetaUsuario)
{
    const QString junto = carpetaAplicacion + QLatin1Char('/') + kNombreIni;
    const auto prefijo = Prefijo(carpetaAplicacion);
    if (ExisteIni(junto) || !prefijo)
        return {junto, {}};
    QString base = *prefijo;
    // /usr keeps its configuration in /etc, other prefixes in their own etc.
    if (base == QLatin1String("/usr") || base.endsWith(QLatin1String("/usr")))
        base.chop(4);
    else if (base == QLatin1String("/"))
        base.clear();
    const QString usuario = carpetaUsuario.isEmpty()
        ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        : carpetaUsuario;
    return {base + QStringLiteral("/etc/terv/") + kNombreIni, usuario + QStringLiteral("/terv/") + kNombreIni};
}

QString UbicoAyuda(const QString& carpetaAplicacion)
{
    const QString nombre = QStringLiteral("AYUDA TERV.hlp");
    const QString junto = carpetaAplicacion + QLatin1Char('/') + nombre;
    const auto prefijo = Prefijo(carpetaAplicacion);
    if (!prefijo || QFileInfo::exists(junto))
        return junto;
    return *prefijo + QStringLiteral("/share/terv/") + nombre;
}

Configuracion CargoConfiguracion(const UbicacionIni& u)
{
    Configuracion c = CargoConfiguracion(u.organizacion);
    if (u.usuario.isEmpty())
        return c;
    // PARTGUAR goes to the operator's file, created (with its folder) only
    // when a folder is first remembered: reading creates nothing.
    c.rutaIni = u.usuario;
    if (!ExisteIni(u.usuario))
        return c;
    // The operator's file wins key by key; an empty value is no value.
    const Configuracion propia = CargoConfiguracion(u.usuario);
    if (!propia.ilegible.isEmpty())
        c.ilegible = propia.ilegible;
    if (!propia.entorno.isEmpty()) {
        c.entorno = propia.entorno;
        c.ambiente = propia.ambiente;
    }
    if (!propia.urlServicio.isEmpty())
        c.urlServicio = propia.urlServicio;
    if (!propia.carpetaGuardada.isEmpty())
        c.carpetaGuardada = propia.carpetaGuardada;
    c.existe = true;
    return c;
}

QString TextoSinServicio(const UbicacionIni& u)
{
    const QString archivos = u.usuario.isEmpty()
        ? u.organizacion
        : u.organizacion + QStringLiteral(" (para todos los usuarios del equipo) o ") + u.usuario
            + QStringLiteral(" (sólo para usted)");
    return QStringLiteral("TERV todavía no tiene configurado el servicio que informa el tamaño máximo publicable.")
        + QStringLiteral("\r\nPara configurarlo, escriba AMBIENTE y URL en la sección [NETWORK] de ") + archivos
        + QStringLiteral(".\r\nMientras tanto puede usar todas las opciones salvo Generar Particiones, que necesita ")
        + QStringLiteral("ese tamaño; Generar Código Hash avisa antes de continuar.");
}
