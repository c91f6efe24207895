#include "app/cli/subcomandos.h"
#include "app/cli/comun.h"
#include "join/union.h"
#include "system/archivos.h"

int Unir(const QStringList& args)
{
    Opciones o;
    const QCommandLineOption destino(
        QStringLiteral("destino"),
        QStringLiteral("Carpeta del archivo armado (la de las particiones si falta; se crea si no existe)."),
        QStringLiteral("carpeta"));
    const QCommandLineOption conservar(
        QStringLiteral("conservar-danado"),
        QStringLiteral("Entrega el archivo armado aunque alguna partición no coincida con su hash "
                       "(nunca en lugar de un archivo existente)."));
    o.p.addOptions({destino, conservar});
    if (auto r =
            Analizo(o, args, QStringLiteral("PARTICION"),
                    QStringLiteral(
                        "Une el juego de particiones al que pertenece la partición indicada, comprobando cada hash."),
                    1, 1))
        return *r;
    const QString una = o.p.positionalArguments().first();
    PlanUnion plan;
    plan.CarpetaOrigen = CarpetaDeRuta(una);
    if (plan.CarpetaOrigen.isEmpty())
        plan.CarpetaOrigen = QStringLiteral(".");
    plan.seleccionada = NombreDeRuta(una);
    plan.CarpetaDestino = o.p.isSet(destino) ? o.p.value(destino) : plan.CarpetaOrigen;
    if (o.p.isSet(destino) && !PreparoDestino(o, plan.CarpetaDestino))
        return Fallo;
    // The list and batch files belong to the screen's join: this command never writes them.
    const bool conservo = o.p.isSet(conservar);
    plan.conservoDanado = [conservo](const QList<int>&) { return conservo; };

    Progreso progreso;
    const ResultadoUnion r = ConAvance(plan.seleccionada, progreso, [&] { return UnoJuego(plan, &progreso); });
    if (r.rechazo != RechazoUnion::Ninguno) {
        InformoFalla(o, una,
                     r.rechazo == RechazoUnion::SinParticiones ? TextoSinParticiones()
                                                               : TextoFaltanParticiones(r.rechazo, r.numero));
        return DatosMal;
    }
    if (r.falla) {
        InformoFalla(o, una, TextoFallaUnion(*r.falla));
        return Fallo;
    }
    if (!r.danadas.isEmpty())
        Aviso(TextoParticionesDanadas(r.danadas));
    if (r.fin == FinUnion::ReemplazoRehusado)
        Aviso(QStringLiteral("No se reemplaza un archivo existente por uno dañado: ")
              + UnoRuta(plan.CarpetaDestino, r.NombreArchivoFinal));
    if (!r.entregado())
        return DatosMal;
    Informo(o, {{QStringLiteral("archivo"), r.archivo}, {QStringLiteral("particiones"), int(r.particiones.size())}},
            r.archivo);
    return r.danadas.isEmpty() ? Exito : DatosMal;
}
