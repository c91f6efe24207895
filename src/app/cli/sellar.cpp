#include "app/cli/comun.h"
#include "app/cli/subcomandos.h"
#include "hash/operaciones_hash.h"
#include "system/archivos.h"

int Sellar(const QStringList& args)
{
    Opciones o;
    if (auto r = Analizo(o, args, QStringLiteral("ARCHIVO..."),
                         QStringLiteral("Agrega al nombre de cada archivo su código hash."), 1))
        return *r;
    int codigo = Exito;
    for (const QString& ruta : o.p.positionalArguments()) {
        if (SeCancelo())
            return Fallo;
        Progreso progreso;
        const auto r = ConAvance(NombreDeRuta(ruta), progreso, [&] { return EstampoArchivo({ruta, 0}, &progreso); });
        if (!r) {
            InformoFalla(o, ruta, TextoFallaEstampado(r.falla()));
            codigo = Fallo;
            continue;
        }
        Informo(o, {{QStringLiteral("archivo"), ruta}, {QStringLiteral("sellado"), r.valor().ruta}}, r.valor().ruta);
    }
    return codigo;
}
