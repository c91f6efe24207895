#include "app/cli/subcomandos.h"
#include "app/cli/comun.h"
#include "hash/nombre_hash.h"
#include "system/archivos.h"

int Sellar(const QStringList& args)
{
    Opciones o;
    if (auto r = Analizo(o, args, QStringLiteral("ARCHIVO..."), QStringLiteral("Agrega al nombre de cada archivo su código hash."), 1))
        return *r;
    int codigo = Exito;
    for (const QString& ruta : o.p.positionalArguments()) {
        Progreso progreso;
        const auto tamano = TamanoDe(ruta);
        progreso.total.store(tamano ? tamano.valor() : 0);
        const auto r = ConAvance(NombreDeRuta(ruta), progreso, [&] { return EstampoArchivo(ruta, &progreso); });
        if (!r) {
            const Falla& f = r.falla();
            Aviso(ruta + QStringLiteral(": ") + TextoFallaEstampado(f));
            if (o.enJson)
                Informo(o, {{QStringLiteral("archivo"), ruta}, {QStringLiteral("error"), f.descripcion}}, QString());
            codigo = Fallo;
            continue;
        }
        Informo(o, {{QStringLiteral("archivo"), ruta}, {QStringLiteral("sellado"), r.valor()}}, r.valor());
    }
    return codigo;
}
