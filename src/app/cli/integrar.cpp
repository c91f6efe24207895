// terv-cli integrar: the TERV actions as the operator's Nautilus scripts
// (Nautilus reads no installed action files, only each user's scripts folder).
#include "app/cli/comun.h"
#include "app/cli/subcomandos.h"
#include "system/archivos.h"
#include "system/plataforma.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

struct Guion {
    const char* nombre; // the menu entry Nautilus shows
    const char* opcion;
};

constexpr Guion kGuiones[] = {
    {"Sellar con código hash", "--sellar"},
    {"Comprobar código hash", "--comprobar"},
    {"Unir particiones", "--unir"},
    {"Comprimir para publicar", "--comprimir"},
};

// The terv beside this terv-cli (a portable copy calls its own), else the one on the PATH.
QString Programa()
{
    const QString junto = CarpetaAplicacion() + QStringLiteral("/terv");
    return QFileInfo(junto).isExecutable() ? junto : QStringLiteral("terv");
}

QString CitoParaShell(QString texto)
{
    return QLatin1Char('\'') + texto.replace(QLatin1Char('\''), QStringLiteral("'\\''")) + QLatin1Char('\'');
}

constexpr char kMarca[] = "# Acción de TERV para Nautilus";

// Whether the name is free, or holds a script this command wrote (a regular
// file opening with our mark): anything else there is the operator's own.
bool EsLibreOPropio(const QString& ruta)
{
    if (!ExisteNombre(ruta))
        return true;
    auto archivo = ArchivoCrudo::abro(ruta, ArchivoCrudo::Modo::Lectura); // a link is refused
    if (!archivo)
        return false;
    const QByteArray comienzo = QByteArray("#!/bin/sh\n") + kMarca;
    QByteArray leido(comienzo.size(), '\0');
    const auto n = archivo.valor().leo(leido.data(), leido.size());
    return n && n.valor() == comienzo.size() && leido == comienzo;
}

// A complete new file renamed onto the name: a script of ours already there
// is replaced, never written through.
Estado EscriboGuion(const QString& carpeta, const QString& nombre, const QByteArray& contenido)
{
    auto t = Temporal::creo(carpeta, ArchivoCrudo::Modo::CreoEjecutable); // a script must run
    if (!t)
        return t.falla();
    if (auto f = t.valor().archivo().escribo(contenido.constData(), contenido.size()))
        return f;
    return t.valor().entrego(UnoRuta(carpeta, nombre), true);
}

} // namespace

int Integrar(const QStringList& args)
{
    Opciones o;
    const QCommandLineOption quitar(QStringLiteral("quitar"), QStringLiteral("Quita las acciones agregadas."));
    o.p.addOption(quitar);
    if (auto r = Analizo(
            o, args, QString(),
            QStringLiteral("Agrega al menú contextual de Nautilus (Guiones > TERV) las acciones de TERV, para este "
                           "usuario; un archivo propio con el mismo nombre no se reemplaza. Antes de quitar el "
                           "paquete, --quitar las quita."),
            0, 0))
        return *r;
    const QString carpeta = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/nautilus/scripts/TERV");
    if (o.p.isSet(quitar)) {
        for (const Guion& g : kGuiones)
            if (const QString ruta = UnoRuta(carpeta, QString::fromUtf8(g.nombre)); EsLibreOPropio(ruta))
                BorroArchivo(ruta);
        QDir().rmdir(carpeta); // only when nothing else is left in it
        return Exito;
    }
    if (!QDir().mkpath(carpeta)) {
        InformoFalla(o, carpeta, QStringLiteral("no se pudo crear la carpeta"));
        return Fallo;
    }
    int codigo = Exito;
    for (const Guion& g : kGuiones) {
        const QString nombre = QString::fromUtf8(g.nombre);
        if (!EsLibreOPropio(UnoRuta(carpeta, nombre))) {
            InformoFalla(o, UnoRuta(carpeta, nombre),
                         QStringLiteral("ya existe un archivo propio con ese nombre; no se reemplaza"));
            codigo = DatosMal;
            continue;
        }
        // "--": a file named like an option is still a file.
        const QByteArray contenido = QByteArray("#!/bin/sh\n") + kMarca
            + " (terv-cli integrar; terv-cli integrar --quitar la quita).\nexec " + CitoParaShell(Programa()).toUtf8()
            + ' ' + g.opcion + " -- \"$@\"\n";
        if (auto f = EscriboGuion(carpeta, nombre, contenido)) {
            InformoFalla(o, UnoRuta(carpeta, nombre), f->descripcion);
            return Fallo;
        }
        Informo(o, {{QStringLiteral("guion"), UnoRuta(carpeta, nombre)}}, UnoRuta(carpeta, nombre));
    }
    return codigo;
}
