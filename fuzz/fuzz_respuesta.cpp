// The reply of the size service, on any bytes: as an HTTP reply (headers,
// lengths, chunks) and as the XML document it carries.
#include "server/consulta.h"
#include "server/http.h"

#include <cstdlib>

namespace {

void Reviso(const ResultadoConsulta& r)
{
    // A size is never negative, and a failure always says why.
    if (r.exito && r.tamanoMB < 0)
        std::abort();
    if (!r.exito && r.mensaje && r.mensaje->texto.isEmpty() && r.mensaje->titulo != QLatin1String("Error"))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n)
{
    const QByteArray bytes(reinterpret_cast<const char*>(datos), qsizetype(n));
    Reviso(InterpretoRespuesta(bytes));

    LectorHttp lector(4096);
    lector.agrego(bytes.left(bytes.size() / 2));
    lector.agrego(bytes.mid(bytes.size() / 2));
    lector.cierre();
    if (lector.cuerpo().size() > 4096 || (lector.estado() == LectorHttp::Estado::Leyendo))
        std::abort();
    if (lector.estado() == LectorHttp::Estado::Falla && lector.falla().isEmpty() && !lector.excedido())
        std::abort();
    if (lector.estado() == LectorHttp::Estado::Completa)
        Reviso(InterpretoRespuesta(lector.cuerpo()));
    return 0;
}
