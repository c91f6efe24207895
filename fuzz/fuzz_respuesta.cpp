// The reply of the size service, on any bytes: the XML document it carries.
#include "server/consulta.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n)
{
    const ResultadoConsulta r = InterpretoRespuesta(QByteArray(reinterpret_cast<const char*>(datos), qsizetype(n)));
    // A size is never negative, and a failure always says why.
    if (r.exito && r.tamanoMB < 0)
        std::abort();
    if (!r.exito && r.causa && r.causa->texto.isEmpty() && r.causa->titulo != QLatin1String("Error"))
        std::abort();
    return 0;
}
