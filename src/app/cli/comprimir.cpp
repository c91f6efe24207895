#include "app/cli/subcomandos.h"
#include "app/cli/comun.h"
#include "compress/compresion.h"
#include "partition/particionado.h"
#include "system/archivos.h"
#include "system/comandos.h"
#include "system/plataforma.h"

#include <QFileInfo>

int Comprimir(const QStringList& args)
{
    Opciones o;
    const QCommandLineOption nombre(QStringLiteral("nombre"), QStringLiteral("Nombre del archivo comprimido, sin \".zip\"."), QStringLiteral("nombre"));
    const QCommandLineOption fecha(QStringLiteral("fecha"), QStringLiteral("Agrega la fecha y la versión al nombre (_AAAAMMDD_01)."));
    const QCommandLineOption tamano(QStringLiteral("tamano"), QStringLiteral("Tamaño máximo publicable en MB (el del servicio si falta)."),
                                    QStringLiteral("MB"));
    const QCommandLineOption entero(QStringLiteral("entero"), QStringLiteral("Si supera el máximo, lo entrega sin particionar."));
    const QCommandLineOption destino(QStringLiteral("destino"), QStringLiteral("Carpeta de entrega (la del primer archivo si falta)."),
                                     QStringLiteral("carpeta"));
    o.p.addOptions({nombre, fecha, tamano, entero, destino});
    if (auto r = Analizo(o, args, QStringLiteral("ARCHIVO..."),
                         QStringLiteral("Comprime los archivos en un .zip listo para publicar: sellado, o particionado si supera el máximo."), 1))
        return *r;
    QString sinTamano;
    const auto limite = o.p.isSet(tamano) ? LeoOpcionMegas(o.p.value(tamano)) : TamanoConsultadoBytes(&sinTamano);
    if (!limite) {
        Aviso(sinTamano.isEmpty() ? QStringLiteral("El valor no puede ser 0") : sinTamano);
        return sinTamano.isEmpty() ? UsoMal : Fallo;
    }
    ListaArchivos lista;
    QStringList rutas;
    for (const QString& a : o.p.positionalArguments())
        rutas << QFileInfo(a).absoluteFilePath();
    const Agregado agregado = AgregoArchivos(lista, rutas);
    if (const QString repetidos = NombresRepetidos(lista.entradas()); !repetidos.isEmpty()) {
        Aviso(repetidos);
        return UsoMal;
    }
    QString Nombre = o.p.isSet(nombre) ? o.p.value(nombre).trimmed() : agregado.nombre;
    if (o.p.isSet(fecha)) {
        RelojSistema reloj;
        AgregoFechayVersion(Nombre, reloj);
    }
    QString carpeta = o.p.isSet(destino) ? QFileInfo(o.p.value(destino)).absoluteFilePath() : agregado.carpeta;
    if (!carpeta.endsWith(QLatin1Char('/')))
        carpeta += QLatin1Char('/');

    EjecutorProcesos ejecutor;
    const auto trabajo = ObtengoDirectorioWindows();
    if (!trabajo) {
        Aviso(QStringLiteral("Error al armar el Archivo: ") + trabajo.falla().descripcion);
        return Fallo;
    }
    const auto zip = ArmoZip(lista.entradas(), Nombre, trabajo.valor(), ejecutor, [&](int i, int n) {
        if (EsTerminal())
            errores() << QStringLiteral("\rcomprimiendo %1 de %2").arg(i).arg(n) << Qt::flush;
    });
    if (EsTerminal())
        errores() << Qt::endl;
    if (!zip) {
        Aviso(QStringLiteral("Error al armar el Archivo: ") + zip.falla().descripcion);
        return Fallo;
    }
    Progreso progreso;
    if (zip.valor().tamano <= *limite) {
        const auto r = ConAvance(Nombre, progreso, [&] { return EntregoSellado(zip.valor(), carpeta, Nombre, &progreso); });
        if (!r) {
            Aviso(r.falla().descripcion);
            return Fallo;
        }
        Informo(o, {{QStringLiteral("archivo"), r.valor()}}, r.valor());
        return Exito;
    }
    if (o.p.isSet(entero)) {
        const auto r = EntregoEntero(zip.valor(), carpeta, Nombre);
        if (!r) {
            Aviso(r.falla().descripcion);
            return Fallo;
        }
        Informo(o, {{QStringLiteral("archivo"), r.valor()}}, r.valor());
        return Exito;
    }
    PlanParticion plan;
    const RechazoParticion rechazo = PlanificoParticion(zip.valor().archivo, zip.valor().tamano, *limite, plan);
    if (rechazo != RechazoParticion::Ninguno) {
        BorroCorrida(zip.valor().corrida);
        Aviso(TextoRechazo(rechazo));
        return Fallo;
    }
    const ResultadoParticion r = ConAvance(Nombre, progreso, [&] { return GeneroParticiones(plan, carpeta, true, &progreso); });
    BorroCorrida(zip.valor().corrida);
    for (const QString& f : r.finales)
        Informo(o, {{QStringLiteral("archivo"), f}}, f);
    if (r.falla) {
        Aviso(TextoFallaParticion(*r.falla));
        return Fallo;
    }
    return Exito;
}
