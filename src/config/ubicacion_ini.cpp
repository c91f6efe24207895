#include "config/ubicacion_ini.h"

#include "config/compartido.h"
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
    if (ExisteArchivoComun(junto) || !prefijo)
        return {junto, {}};
    QString base = *prefijo;
    // /usr keeps its configuration in /etc, other prefixes in their own etc.
    if (base == QLatin1String("/usr") || base.endsWith(QLatin1String("/usr")))
        base.chop(4);
    else if (base == QLatin1String("/"))
        base.clear();
    const QString usuario = carpetaUsuario.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
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
    Compartido& v = compartido();
    v.RutaIni = u.organizacion;
    Configuracion c = CargoConfiguracion();
    if (u.usuario.isEmpty())
        return c;

    const QString url = v.UrlServicio;
    const QString carpeta = v.CarpetaGuardada;
    v.RutaIni = u.usuario;
    // The folder must exist for the first PARTGUAR to be written.
    QDir().mkpath(QFileInfo(u.usuario).path());
    if (!ExisteArchivoComun(u.usuario))
        return c;
    // The operator's file wins key by key; an empty value is no value.
    const Configuracion propia = CargoConfiguracion();
    if (!propia.ilegible.isEmpty())
        c.ilegible = propia.ilegible;
    if (!propia.entorno.isEmpty()) {
        c.entorno = propia.entorno;
        c.ambiente = propia.ambiente;
    }
    if (v.UrlServicio.isEmpty())
        v.UrlServicio = url;
    if (v.CarpetaGuardada.isEmpty())
        v.CarpetaGuardada = carpeta;
    c.existe = true;
    return c;
}
