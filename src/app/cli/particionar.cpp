#include "app/cli/subcomandos.h"
#include "app/cli/comun.h"
#include "partition/particionado.h"
#include "system/archivos.h"

int Particionar(const QStringList& args)
{
    Opciones o;
    const QCommandLineOption tamano(QStringLiteral("tamano"), QStringLiteral("Tamaño de cada partición en MB."),
                                    QStringLiteral("MB"));
    const QCommandLineOption destino(
        QStringLiteral("destino"),
        QStringLiteral("Carpeta de las particiones (la del archivo si falta; se crea si no existe)."),
        QStringLiteral("carpeta"));
    o.p.addOptions({tamano, destino});
    if (auto r =
            Analizo(o, args, QStringLiteral("ARCHIVO [--tamano MB]"),
                    QStringLiteral("Divide el archivo en particiones numeradas, cada una con su código hash."), 1, 1))
        return *r;
    // Without --tamano, the size the service gives (as at the program's start).
    int codigo = Exito;
    const auto S = TamanoPedido(o, tamano, codigo);
    if (!S)
        return codigo;
    const QString origen = o.p.positionalArguments().first();
    const auto F = TamanoDe(origen);
    if (!F) {
        InformoFalla(o, origen, F.falla().descripcion);
        return Fallo;
    }
    PlanParticion plan;
    if (const RechazoParticion r = PlanificoParticion(origen, F.valor(), *S, plan); r != RechazoParticion::Ninguno) {
        Aviso(TextoRechazo(r));
        return Fallo;
    }
    const QString carpeta = o.p.isSet(destino) ? o.p.value(destino) : CarpetaDeRuta(origen);
    if (o.p.isSet(destino) && !PreparoDestino(o, carpeta))
        return Fallo;
    Progreso progreso;
    const ResultadoParticion r =
        ConAvance(plan.nombre, progreso, [&] { return GeneroParticiones(plan, carpeta, false, &progreso); });
    for (const QString& f : r.finales)
        Informo(o, {{QStringLiteral("archivo"), origen}, {QStringLiteral("particion"), f}}, f);
    if (r.falla) {
        InformoFalla(o, origen, TextoFallaParticion(*r.falla));
        return Fallo;
    }
    return Exito;
}
