// The reader of the size service's reply, on any body.
#include "server/consulta.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n)
{
    const QByteArray cuerpo(reinterpret_cast<const char*>(datos), qsizetype(n));
    const ResultadoConsulta r = InterpretoRespuesta(cuerpo);
    // A size is never negative, and a failure always says why.
    if (r.exito && r.tamanoMB < 0)
        std::abort();
    if (!r.exito && r.mensaje && r.mensaje->texto.isEmpty() && r.mensaje->titulo != QLatin1String("Error"))
        std::abort();
    return 0;
}
