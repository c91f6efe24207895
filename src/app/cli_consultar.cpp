#include "app/cli_consultar.h"

#include "config/archivo_ini.h"
#include "config/compartido.h"
#include "server/consulta.h"
#include "system/archivos.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace {

struct Consultado {
    std::optional<qint32> mb;
    QString titulo, texto; // the box the window would show
};

Consultado ConsultoConIni(const QString& rutaIni)
{
    if (!ExisteArchivoComun(rutaIni))
        return {std::nullopt, QStringLiteral("No se encuentra archivo"),
                QStringLiteral("No se encuentra el archivo TERV.ini, reinstale el Aplicativo descargandolo nuevamente de la página")
                    + QStringLiteral(" (") + rutaIni + QLatin1Char(')')};
    const auto contenido = LeoArchivoIni(rutaIni);
    if (!contenido)
        return {std::nullopt, QStringLiteral("No se puede leer el archivo"),
                QStringLiteral("No se puede leer el archivo TERV.ini: ") + contenido.falla().descripcion};
    const QString url = LeoValorTextoINI(contenido.valor(), QStringLiteral("NETWORK"), QStringLiteral("URL"));
    // The service judges the program's version: the command line is the same program.
    const ResultadoConsulta r = ConsultoTamano(ArmoUrlConsulta(url, QStringLiteral("TERV")));
    if (r.exito)
        return {r.tamanoMB, {}, {}};
    if (r.mensaje)
        return {std::nullopt, TituloVisible(*r.mensaje), r.mensaje->texto};
    return {std::nullopt, QStringLiteral("0 "), r.msgError};
}

QString IniJuntoAlPrograma() { return UnoRuta(QCoreApplication::applicationDirPath(), QStringLiteral("TERV.ini")); }

} // namespace

int Consultar(const QStringList& args)
{
    QTextStream salida(stdout), errores(stderr);
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("Consulta al servicio el tamaño máximo publicable, en MB."));
    const QCommandLineOption ayuda({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Muestra esta ayuda."));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Un objeto JSON en la salida estándar."));
    const QCommandLineOption ini(QStringLiteral("ini"), QStringLiteral("El archivo de configuración (TERV.ini junto al programa si falta)."),
                                 QStringLiteral("RUTA"));
    p.addOptions({ayuda, json, ini});
    if (!p.parse(args)) {
        errores << p.errorText() << Qt::endl;
        return 2;
    }
    if (p.isSet(ayuda)) {
        const QString texto = p.helpText();
        salida << QStringLiteral("Uso: ") << args.first() << QStringLiteral(" [opciones]") << texto.mid(texto.indexOf(QLatin1Char('\n')));
        return 0;
    }
    if (!p.positionalArguments().isEmpty()) {
        errores << QStringLiteral("Argumentos de más: ") << p.positionalArguments().join(QLatin1Char(' ')) << Qt::endl;
        return 2;
    }
    const Consultado c = ConsultoConIni(p.isSet(ini) ? p.value(ini) : IniJuntoAlPrograma());
    if (p.isSet(json)) {
        QJsonObject o;
        if (c.mb)
            o.insert(QStringLiteral("tamanoMB"), *c.mb);
        else
            o = {{QStringLiteral("titulo"), c.titulo}, {QStringLiteral("texto"), c.texto}};
        salida << QJsonDocument(o).toJson(QJsonDocument::Compact) << Qt::endl;
    } else if (c.mb) {
        salida << *c.mb << Qt::endl;
    }
    if (!c.mb) {
        errores << c.titulo << Qt::endl << c.texto << Qt::endl;
        return 3;
    }
    return 0;
}

std::optional<qint64> TamanoConsultadoBytes(QString* falla)
{
    const Consultado c = ConsultoConIni(IniJuntoAlPrograma());
    if (c.mb && *c.mb > 0)
        return qint64(*c.mb) * 1048576;
    *falla = c.mb ? QStringLiteral("El servicio no informó un tamaño máximo; indíquelo con --tamano")
                  : QStringLiteral("No se pudo obtener el tamaño máximo (indíquelo con --tamano). ") + c.titulo.trimmed()
            + QStringLiteral(": ") + c.texto;
    return std::nullopt;
}
