#include "app/cli/subcomandos.h"
#include "app/cli/comun.h"
#include "compress/compresion.h"
#include "system/plataforma.h"

#include <QFileInfo>

int Comprimir(const QStringList& args)
{
    Opciones o;
    const QCommandLineOption nombre(QStringLiteral("nombre"),
                                    QStringLiteral("Nombre del archivo comprimido, sin \".zip\"."),
                                    QStringLiteral("nombre"));
    const QCommandLineOption fecha(QStringLiteral("fecha"),
                                   QStringLiteral("Agrega la fecha y la versión al nombre (_AAAAMMDD_01)."));
    const QCommandLineOption tamano(QStringLiteral("tamano"),
                                    QStringLiteral("Tamaño máximo publicable en MB (el del servicio si falta)."),
                                    QStringLiteral("MB"));
    const QCommandLineOption entero(QStringLiteral("entero"),
                                    QStringLiteral("Si supera el máximo, lo entrega sin particionar."));
    const QCommandLineOption destino(
        QStringLiteral("destino"),
        QStringLiteral("Carpeta de entrega (la del primer archivo si falta; se crea si no existe)."),
        QStringLiteral("carpeta"));
    o.p.addOptions({nombre, fecha, tamano, entero, destino});
    if (auto r = Analizo(
            o, args, QStringLiteral("ARCHIVO..."),
            QStringLiteral(
                "Comprime los archivos en un .zip listo para publicar: sellado, o particionado si supera el máximo."),
            1))
        return *r;
    int codigo = Exito;
    const auto limite = TamanoPedido(o, tamano, codigo);
    if (!limite)
        return codigo;
    ListaArchivos lista;
    QStringList rutas;
    for (const QString& a : o.p.positionalArguments())
        rutas << QFileInfo(a).absoluteFilePath();
    const Agregado agregado = AgregoArchivos(lista, rutas);

    PlanCompresion plan;
    plan.rutas = lista.entradas();
    plan.nombre = o.p.isSet(nombre) ? o.p.value(nombre) : agregado.nombre;
    if (o.p.isSet(fecha))
        plan.fecha = RelojSistema().hoy();
    plan.limite = *limite;
    plan.carpeta = o.p.isSet(destino) ? QFileInfo(o.p.value(destino)).absoluteFilePath() : agregado.carpeta;
    if (o.p.isSet(destino) && !PreparoDestino(o, plan.carpeta))
        return Fallo;
    // Without an operator to ask: split unless --entero, and an existing
    // Nombre.zip is kept (the new archive takes a free name).
    const bool particiono = !o.p.isSet(entero);
    plan.particiono = [particiono](qint64) { return particiono; };
    plan.confirmo = [](const PlanParticion&) { return true; };
    plan.reemplazo = [](const QString&) { return false; };

    Progreso progreso;
    const ResultadoCompresion r =
        ConAvance(plan.nombre, progreso, [&] { return ComprimoArchivosMulti(plan, &progreso); });
    if (!r.aviso.isEmpty())
        Aviso(r.aviso);
    switch (r.desenlace) {
    case Desenlace::Sellado:
    case Desenlace::Entero: Informo(o, {{QStringLiteral("archivo"), r.archivo}}, r.archivo); return Exito;
    case Desenlace::Particionado:
        for (const QString& f : r.particiones)
            Informo(o, {{QStringLiteral("archivo"), f}}, f);
        return Exito;
    case Desenlace::Rechazado:
        InformoFalla(o, plan.nombre, r.falla.descripcion);
        // A bad name or list is a usage error; a missing or unfit file is wrong data.
        return r.falla.tipo == TipoFalla::ArgumentoInvalido ? UsoMal : DatosMal;
    case Desenlace::Cancelado: InformoFalla(o, plan.nombre, r.falla.descripcion); return Fallo;
    case Desenlace::Fallido: break;
    }
    InformoFalla(o, plan.nombre, QStringLiteral("Error al armar el Archivo: ") + r.falla.descripcion);
    return Fallo;
}
