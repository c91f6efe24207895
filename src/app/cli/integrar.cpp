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

// A complete new file renamed onto the name: a script already there, or a
// link planted in its place, is replaced and never written through.
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
    if (auto r = Analizo(o, args, QString(),
                         QStringLiteral("Agrega al menú contextual de Nautilus (Guiones > TERV) las acciones de TERV, para este usuario."), 0, 0))
        return *r;
    const QString carpeta = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/nautilus/scripts/TERV");
    if (o.p.isSet(quitar)) {
        for (const Guion& g : kGuiones)
            BorroArchivo(UnoRuta(carpeta, QString::fromUtf8(g.nombre)));
        QDir().rmdir(carpeta); // only when nothing else is left in it
        return Exito;
    }
    if (!QDir().mkpath(carpeta)) {
        InformoFalla(o, carpeta, QStringLiteral("no se pudo crear la carpeta"));
        return Fallo;
    }
    for (const Guion& g : kGuiones) {
        const QString nombre = QString::fromUtf8(g.nombre);
        const QByteArray contenido = "#!/bin/sh\n# Acción de TERV para Nautilus (terv-cli integrar; terv-cli integrar --quitar la quita).\nexec "
                                     + CitoParaShell(Programa()).toUtf8() + ' ' + g.opcion + " \"$@\"\n";
        if (auto f = EscriboGuion(carpeta, nombre, contenido)) {
            InformoFalla(o, UnoRuta(carpeta, nombre), f->descripcion);
            return Fallo;
        }
        Informo(o, {{QStringLiteral("guion"), UnoRuta(carpeta, nombre)}}, UnoRuta(carpeta, nombre));
    }
    return Exito;
}
