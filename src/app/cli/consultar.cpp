// terv-cli consultar: the start-up's size query, without a window.
#include "app/cli/comun.h"
#include "app/cli/subcomandos.h"
#include "config/ubicacion_ini.h"
#include "server/consulta.h"
#include "system/plataforma.h"
#include "system/tamanos.h"

#include <QJsonDocument>

namespace {

struct Consultado {
    std::optional<qint32> mb;
    QString titulo, texto; // the box the window would show
};

// The same files the program reads at its start (or the one given).
Consultado ConsultoConIni(const UbicacionIni& ubicacion)
{
    const Configuracion c = CargoConfiguracion(ubicacion);
    if (!c.existe)
        return {
            std::nullopt, QStringLiteral("No se encuentra archivo"),
            QStringLiteral(
                "No se encuentra el archivo TERV.ini, reinstale el Aplicativo descargandolo nuevamente de la página")
                + QStringLiteral(" (") + ubicacion.organizacion + QLatin1Char(')')};
    if (!c.ilegible.isEmpty())
        return {std::nullopt, QStringLiteral("No se puede leer el archivo"),
                QStringLiteral("No se puede leer el archivo TERV.ini: ") + c.ilegible};
    if (c.urlServicio.isEmpty())
        return {std::nullopt, QStringLiteral("Servicio sin configurar"), TextoSinServicio(ubicacion)};
    // The service judges the program's version: the command line is the same program.
    const ResultadoConsulta r = ConsultoTamano(ArmoUrlConsulta(c.urlServicio, QStringLiteral("TERV")));
    if (r.exito)
        return {r.tamanoMB, {}, {}};
    if (r.causa)
        return {std::nullopt, r.causa->titulo, r.causa->texto};
    return {std::nullopt, QStringLiteral("0 "), r.msgError};
}

UbicacionIni IniDelPrograma() { return UbicoIni(CarpetaAplicacion()); }

} // namespace

int Consultar(const QStringList& args)
{
    Opciones o;
    const QCommandLineOption ini(
        QStringLiteral("ini"),
        QStringLiteral("El archivo de configuración (si falta, los que lee terv: el TERV.ini junto al programa, o "
                       "instalado /etc/terv/TERV.ini y ~/.config/terv/TERV.ini)."),
        QStringLiteral("RUTA"));
    o.p.addOption(ini);
    if (auto r = Analizo(o, args, QString(), QStringLiteral("Consulta al servicio el tamaño máximo publicable, en MB."),
                         0, 0))
        return *r;
    const Consultado c = ConsultoConIni(o.p.isSet(ini) ? UbicacionIni{o.p.value(ini), QString()} : IniDelPrograma());
    if (c.mb) {
        Informo(o, {{QStringLiteral("tamanoMB"), *c.mb}}, QString::number(*c.mb));
        return Exito;
    }
    errores() << c.titulo << Qt::endl << c.texto << Qt::endl;
    if (o.enJson)
        salida() << QJsonDocument(QJsonObject{{QStringLiteral("titulo"), c.titulo}, {QStringLiteral("texto"), c.texto}})
                        .toJson(QJsonDocument::Compact)
                 << Qt::endl;
    return Fallo;
}

std::optional<qint64> TamanoPedido(const Opciones& o, const QCommandLineOption& tamano, int& codigo)
{
    if (o.p.isSet(tamano)) {
        codigo = UsoMal;
        return LeoOpcionMegas(o.p.value(tamano));
    }
    codigo = Fallo;
    const Consultado c = ConsultoConIni(IniDelPrograma());
    if (c.mb && *c.mb > 0)
        return MegasABytes(*c.mb);
    Aviso(c.mb ? QStringLiteral("El servicio no informó un tamaño máximo; indíquelo con --tamano")
               : QStringLiteral("No se pudo obtener el tamaño máximo (indíquelo con --tamano). ") + c.titulo.trimmed()
                  + QStringLiteral(": ") + c.texto);
    return std::nullopt;
}
