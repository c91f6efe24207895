// The partition-name parser and set membership, on any name.
#include "join/union.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n)
{
    const QString nombre = QString::fromUtf8(reinterpret_cast<const char*>(datos), qsizetype(n));
    if (const auto p = AnalizoNombreParticion(nombre)) {
        if (p->hash.size() != 32 || p->valorNumero < 0 || p->valorTotal < 0)
            std::abort();
        // A partition always belongs to its own set.
        if (!MismoJuego(*p, nombre))
            std::abort();
    }
    return 0;
}
