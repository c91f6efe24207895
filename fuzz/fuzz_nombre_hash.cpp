// The stamped-name parser, on any name.
#include "hash/nombre_hash.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n)
{
    const QString nombre = QString::fromUtf8(reinterpret_cast<const char*>(datos), qsizetype(n));
    if (const auto partes = SeparoNombre(nombre)) {
        // Splitting loses nothing: base and extension give the name back.
        if (partes->base + partes->ext != nombre)
            std::abort();
        NombreSellado(*partes, QString(32, QLatin1Char('A')));
    }
    if (const auto h = ObtengoHashString(nombre))
        if (h->conFormato && h->strHash.size() != 32)
            std::abort();
    ObtengoNombreyExtension(nombre);
    return 0;
}
