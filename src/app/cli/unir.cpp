#include "app/cli/subcomandos.h"
#include "app/cli/comun.h"
#include "join/union.h"
#include "system/archivos.h"

int Unir(const QStringList& args)
{
    Opciones o;
    const QCommandLineOption destino(QStringLiteral("destino"), QStringLiteral("Carpeta del archivo armado (la de las particiones si falta)."),
                                     QStringLiteral("carpeta"));
    const QCommandLineOption conservar(QStringLiteral("conservar-danado"),
                                       QStringLiteral("Entrega el archivo armado aunque alguna partición no coincida con su hash."));
    o.p.addOptions({destino, conservar});
    if (auto r = Analizo(o, args, QStringLiteral("PARTICION"),
                         QStringLiteral("Une el juego de particiones al que pertenece la partición indicada, comprobando cada hash."), 1, 1))
        return *r;
    const QString una = o.p.positionalArguments().first();
    EstadoUnion e;
    e.CarpetaOrigen = CarpetaDeRuta(una);
    if (e.CarpetaOrigen.isEmpty())
        e.CarpetaOrigen = QStringLiteral(".");
    e.CarpetaDestino = o.p.isSet(destino) ? o.p.value(destino) : e.CarpetaOrigen;
    const auto patron = ArmoPatronParticiones(NombreDeRuta(una));
    const QStringList lista = patron ? ListoParticiones(e.CarpetaOrigen, *patron) : QStringList();
    if (lista.isEmpty()) {
        Aviso(MensajeSinParticiones().texto);
        return DatosMal;
    }
    const Ordenamiento orden = OrdenoParticiones(e, lista);
    if (orden.motivo != Ordenamiento::Completo || !CorroboroCantidadArchivos(lista)) {
        Aviso(orden.motivo == Ordenamiento::Ninguna ? MensajeNoSonParticiones().texto : MensajeFaltanParticiones(&orden).texto);
        return DatosMal;
    }
    ObtengoNombreFinal(e, orden.ordenadas.first());
    Progreso progreso;
    const ResultadoUnion r = ConAvance(e.NombreArchivoFinal, progreso, [&] {
        return UnoParticiones(e.CarpetaOrigen, orden.ordenadas, e.CarpetaDestino, e.NombreArchivoFinal, &progreso);
    });
    if (r.falla) {
        Aviso(r.falla->descripcion);
        return Fallo;
    }
    const QString final = UnoRuta(e.CarpetaDestino, e.NombreArchivoFinal);
    if (!r.diferentes.isEmpty()) {
        Aviso(TextoParticionesDanadas(r.diferentes));
        if (!o.p.isSet(conservar)) {
            LimpioUnion(e, r.temporal);
            return DatosMal;
        }
    }
    if (auto f = MuevoArchivoFinal(r.temporal, e.CarpetaDestino, e.NombreArchivoFinal)) {
        LimpioUnion(e, r.temporal);
        Aviso(f->descripcion);
        return Fallo;
    }
    Informo(o, {{QStringLiteral("archivo"), final}, {QStringLiteral("particiones"), int(orden.ordenadas.size())}}, final);
    return r.diferentes.isEmpty() ? Exito : DatosMal;
}
