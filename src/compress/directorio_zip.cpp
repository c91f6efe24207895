#include "compress/directorio_zip.h"

#include "system/archivos.h"

#include <QStringDecoder>

namespace {

constexpr quint32 kFinDirectorio = 0x06054b50;
constexpr quint32 kLocalizador64 = 0x07064b50;
constexpr quint32 kFinDirectorio64 = 0x06064b50;
constexpr quint32 kCentral = 0x02014b50;
constexpr quint32 kLocal = 0x04034b50;
constexpr quint16 kBitUtf8 = 0x0800;

quint16 u16(const char* p) { return quint16(quint8(p[0]) | quint8(p[1]) << 8); }
quint32 u32(const char* p) { return quint32(u16(p)) | quint32(u16(p + 2)) << 16; }
quint64 u64(const char* p) { return quint64(u32(p)) | quint64(u32(p + 4)) << 32; }

Falla malFormado(const QString& ruta)
{
    return Falla::otra(QStringLiteral("El archivo comprimido ") + ruta
                       + QStringLiteral(" no tiene un formato zip válido: el programa zip no lo terminó correctamente."));
}

struct Entrada {
    QByteArray nombre;
    quint16 banderas = 0;
    qint64 posicionCentral = 0; // of the central header
    qint64 posicionLocal = 0;   // of the local header
};

struct Directorio {
    QList<Entrada> entradas;
};

Resultado<Directorio> leo(ArchivoCrudo& zip)
{
    const QString& ruta = zip.ruta();
    const auto tamano = zip.tamano();
    if (!tamano)
        return tamano.falla();
    const qint64 F = tamano.valor();
    // The end record sits in the last 22 bytes plus a comment of up to 64 KiB.
    const qint64 cola = std::min<qint64>(F, 22 + 65535);
    if (cola < 22)
        return malFormado(ruta);
    QByteArray fin(cola, Qt::Uninitialized);
    if (auto f = zip.leoExacto(fin.data(), cola, F - cola))
        return *f;
    qint64 i = cola - 22;
    while (i >= 0 && u32(fin.constData() + i) != kFinDirectorio)
        --i;
    if (i < 0)
        return malFormado(ruta);
    const char* e = fin.constData() + i;
    quint64 cantidad = u16(e + 10), largo = u32(e + 12), inicio = u32(e + 16);
    if (cantidad == 0xFFFF || largo == 0xFFFFFFFF || inicio == 0xFFFFFFFF) {
        // Zip64: the locator right before the end record points at the real one.
        const qint64 posLocalizador = F - cola + i - 20;
        char loc[20], fin64[56];
        if (posLocalizador < 0 || zip.leoExacto(loc, 20, posLocalizador) || u32(loc) != kLocalizador64)
            return malFormado(ruta);
        const qint64 pos64 = qint64(u64(loc + 8));
        if (pos64 < 0 || pos64 + 56 > F || zip.leoExacto(fin64, 56, pos64) || u32(fin64) != kFinDirectorio64)
            return malFormado(ruta);
        cantidad = u64(fin64 + 32);
        largo = u64(fin64 + 40);
        inicio = u64(fin64 + 48);
    }
    if (inicio > quint64(F) || largo > quint64(F) - inicio || cantidad > largo / 46)
        return malFormado(ruta);
    QByteArray central(qint64(largo), Qt::Uninitialized);
    if (auto f = zip.leoExacto(central.data(), qint64(largo), qint64(inicio)))
        return *f;
    Directorio d;
    qint64 p = 0;
    for (quint64 k = 0; k < cantidad; ++k) {
        if (p + 46 > qint64(largo) || u32(central.constData() + p) != kCentral)
            return malFormado(ruta);
        const char* c = central.constData() + p;
        const quint16 largoNombre = u16(c + 28), largoExtra = u16(c + 30), largoComentario = u16(c + 32);
        if (p + 46 + largoNombre + largoExtra + largoComentario > qint64(largo))
            return malFormado(ruta);
        Entrada en;
        en.banderas = u16(c + 8);
        en.nombre = QByteArray(c + 46, largoNombre);
        en.posicionCentral = qint64(inicio) + p;
        quint64 local = u32(c + 42);
        if (local == 0xFFFFFFFF) {
            // The 64-bit values of the zip64 extra field come in a fixed order,
            // each present only when its 32-bit field is saturated.
            const char* x = c + 46 + largoNombre;
            const char* finExtra = x + largoExtra;
            bool hallado = false;
            while (x + 4 <= finExtra) {
                const quint16 id = u16(x), n = u16(x + 2);
                if (x + 4 + n > finExtra)
                    break;
                if (id == 0x0001) {
                    int salto = 0;
                    if (u32(c + 24) == 0xFFFFFFFF)
                        salto += 8;
                    if (u32(c + 20) == 0xFFFFFFFF)
                        salto += 8;
                    if (salto + 8 <= n) {
                        local = u64(x + 4 + salto);
                        hallado = true;
                    }
                    break;
                }
                x += 4 + n;
            }
            if (!hallado)
                return malFormado(ruta);
        }
        if (local + 30 > quint64(F))
            return malFormado(ruta);
        en.posicionLocal = qint64(local);
        d.entradas << en;
        p += 46 + largoNombre + largoExtra + largoComentario;
    }
    return d;
}

bool esUtf8(const QByteArray& nombre)
{
    QStringDecoder a(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)a.decode(nombre);
    return !a.hasError();
}

struct Abierto {
    ArchivoCrudo archivo;
    Directorio directorio;
};

Resultado<Abierto> abro(const QString& ruta, ArchivoCrudo::Modo modo)
{
    auto zip = ArchivoCrudo::abro(ruta, modo);
    if (!zip)
        return zip.falla();
    auto d = leo(zip.valor());
    if (!d)
        return d.falla();
    return Abierto{std::move(zip.valor()), std::move(d.valor())};
}

Estado escribo16(ArchivoCrudo& archivo, quint16 valor, qint64 posicion)
{
    const char bytes[2] = {char(valor & 0xFF), char(valor >> 8)};
    return archivo.escriboEn(bytes, 2, posicion);
}

} // namespace

Resultado<QList<QByteArray>> LeoEntradasZip(const QString& ruta)
{
    const auto zip = abro(ruta, ArchivoCrudo::Modo::Lectura);
    if (!zip)
        return zip.falla();
    QList<QByteArray> nombres;
    for (const Entrada& e : zip.valor().directorio.entradas)
        nombres << e.nombre;
    return nombres;
}

Estado MarcoNombresUtf8(const QString& ruta)
{
    auto zip = abro(ruta, ArchivoCrudo::Modo::Modifico);
    if (!zip)
        return zip.falla();
    ArchivoCrudo& archivo = zip.valor().archivo;
    for (const Entrada& e : zip.valor().directorio.entradas) {
        if ((e.banderas & kBitUtf8) || !esUtf8(e.nombre))
            continue;
        char local[8];
        if (auto f = archivo.leoExacto(local, 8, e.posicionLocal))
            return f;
        if (u32(local) != kLocal)
            return malFormado(ruta);
        if (auto f = escribo16(archivo, u16(local + 6) | kBitUtf8, e.posicionLocal + 6))
            return f;
        if (auto f = escribo16(archivo, e.banderas | kBitUtf8, e.posicionCentral + 8))
            return f;
    }
    return archivo.cierro();
}
