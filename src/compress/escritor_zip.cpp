#include "compress/escritor_zip.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <optional>
#include <sys/stat.h>

namespace {

using Central = EscritorZip::Central;

constexpr qint64 kVolcado = 1 << 20;
// Deflated output waits in memory up to this size, so that most files are
// decided (deflated or stored) before a byte of them is written.
constexpr qint64 kEnMemoria = 4 << 20;
constexpr qint64 kMaximo32 = 0xFFFFFFFF;
constexpr qint64 kMaximo16 = 0xFFFF;
constexpr quint16 kHechoEnUnix = (3 << 8) | 30;
constexpr quint16 kBanderaDescriptor = 1 << 3;
constexpr quint16 kBanderaUtf8 = 1 << 11;
constexpr quint16 kDeflate = 8;

void le16(QByteArray& b, quint16 v)
{
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
}
void le32(QByteArray& b, quint32 v)
{
    le16(b, quint16(v));
    le16(b, quint16(v >> 16));
}
void le64(QByteArray& b, quint64 v)
{
    le32(b, quint32(v));
    le32(b, quint32(v >> 32));
}
quint32 tope32(qint64 v) { return quint32(std::min(v, kMaximo32)); }

quint16 versionNecesaria(const Central& c, bool zip64)
{
    if (zip64)
        return 45;
    return c.metodo == kDeflate ? 20 : 10;
}

void PongoFecha(qint64 ns, Central& c)
{
    const time_t t = time_t(ns / 1000000000);
    c.segundos = quint32(std::clamp<qint64>(t, 0, kMaximo32));
    tm local{};
    localtime_r(&t, &local);
    // MS-DOS dates run from 1980 to 2107.
    const int anio = std::clamp(local.tm_year - 80, 0, 127);
    if (local.tm_year < 80) {
        c.fecha = (1 << 5) | 1;
        c.hora = 0;
        return;
    }
    c.fecha = quint16((anio << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
    c.hora = quint16((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
}

QByteArray ExtraTiempo(const Central& c)
{
    QByteArray b;
    le16(b, 0x5455); // extended timestamp: the modification time only
    le16(b, 5);
    b.append(char(1));
    le32(b, c.segundos);
    return b;
}

// With a data descriptor to follow, the CRC and sizes are not known yet.
QByteArray CabeceraLocal(const Central& c, bool descriptor)
{
    QByteArray extra;
    if (c.zip64) {
        le16(extra, 0x0001);
        le16(extra, 16);
        le64(extra, descriptor ? 0 : quint64(c.original));
        le64(extra, descriptor ? 0 : quint64(c.comprimido));
    }
    extra += ExtraTiempo(c);
    QByteArray b;
    le32(b, 0x04034b50);
    le16(b, versionNecesaria(c, c.zip64));
    le16(b, c.banderas);
    le16(b, c.metodo);
    le16(b, c.hora);
    le16(b, c.fecha);
    le32(b, descriptor ? 0 : c.crc);
    le32(b, c.zip64 ? quint32(kMaximo32) : (descriptor ? 0 : quint32(c.comprimido)));
    le32(b, c.zip64 ? quint32(kMaximo32) : (descriptor ? 0 : quint32(c.original)));
    le16(b, quint16(c.nombre.size()));
    le16(b, quint16(extra.size()));
    return b + c.nombre + extra;
}

QByteArray Descriptor(const Central& c)
{
    QByteArray b;
    le32(b, 0x08074b50);
    le32(b, c.crc);
    if (c.zip64) {
        le64(b, quint64(c.comprimido));
        le64(b, quint64(c.original));
    } else {
        le32(b, quint32(c.comprimido));
        le32(b, quint32(c.original));
    }
    return b;
}

QByteArray RegistroCentral(const Central& c)
{
    // The zip64 field holds exactly the values that do not fit, in this order.
    QByteArray grandes;
    for (const qint64 v : {c.original, c.comprimido, c.desplazamiento})
        if (v >= kMaximo32)
            le64(grandes, quint64(v));
    QByteArray extra;
    if (!grandes.isEmpty()) {
        le16(extra, 0x0001);
        le16(extra, quint16(grandes.size()));
        extra += grandes;
    }
    extra += ExtraTiempo(c);
    QByteArray b;
    le32(b, 0x02014b50);
    le16(b, kHechoEnUnix);
    le16(b, versionNecesaria(c, c.zip64 || !grandes.isEmpty()));
    le16(b, c.banderas);
    le16(b, c.metodo);
    le16(b, c.hora);
    le16(b, c.fecha);
    le32(b, c.crc);
    le32(b, tope32(c.comprimido));
    le32(b, tope32(c.original));
    le16(b, quint16(c.nombre.size()));
    le16(b, quint16(extra.size()));
    le16(b, 0); // comment
    le16(b, 0); // disk
    le16(b, 0); // internal attributes
    le32(b, c.externos);
    le32(b, tope32(c.desplazamiento));
    return b + c.nombre + extra;
}

// The end of the central directory, preceded by its zip64 form when the
// count, the size or the offset does not fit the classic one.
QByteArray Final(qint64 entradas, qint64 inicio, qint64 largo, qint64 aqui)
{
    QByteArray b;
    if (entradas >= kMaximo16 || inicio >= kMaximo32 || largo >= kMaximo32) {
        le32(b, 0x06064b50);
        le64(b, 44);
        le16(b, kHechoEnUnix);
        le16(b, 45);
        le32(b, 0);
        le32(b, 0);
        le64(b, quint64(entradas));
        le64(b, quint64(entradas));
        le64(b, quint64(largo));
        le64(b, quint64(inicio));
        le32(b, 0x07064b50);
        le32(b, 0);
        le64(b, quint64(aqui));
        le32(b, 1);
    }
    le32(b, 0x06054b50);
    le16(b, 0);
    le16(b, 0);
    le16(b, quint16(std::min(entradas, kMaximo16)));
    le16(b, quint16(std::min(entradas, kMaximo16)));
    le32(b, tope32(largo));
    le32(b, tope32(inicio));
    le16(b, 0);
    return b;
}

bool EsAscii(const QByteArray& nombre)
{
    return std::all_of(nombre.begin(), nombre.end(), [](char ch) { return uchar(ch) < 0x80; });
}

bool Igual(const Resultado<IdentidadArchivo>& a, const IdentidadArchivo& b) { return a && a.valor() == b; }

} // namespace

EscritorZip::EscritorZip(ArchivoCrudo& salida, int hilos, Progreso* progreso)
    : salida_(salida), deflate_(hilos), progreso_(progreso), rezagado_(salida, progreso)
{}

void EscritorZip::pongo(const char* datos, qint64 n)
{
    if (n <= 0)
        return;
    bufer_.append(datos, n);
    if (bufer_.size() >= kVolcado)
        vuelco();
}

void EscritorZip::vuelco()
{
    if (!falla_ && !bufer_.isEmpty()) {
        falla_ = salida_.escriboEn(bufer_.constData(), bufer_.size(), posicionBufer_);
        salida_.adelantoEscritura(posicionBufer_, bufer_.size()); // the final flush waits little
    }
    posicionBufer_ += bufer_.size();
    if (!falla_)
        rezagado_.avanzo(posicionBufer_);
    escrito_ = std::max(escrito_, posicionBufer_);
    bufer_.resize(0);
}

void EscritorZip::vuelvoA(qint64 posicion)
{
    vuelco();
    posicionBufer_ = posicion;
    rezagado_.vuelvo();
}

Estado EscritorZip::agrego(const EntradaZip& e)
{
    auto abierto = ArchivoCrudo::abro(e.ruta, ArchivoCrudo::Modo::Lectura);
    if (!abierto)
        return FallaLectura(abierto.falla(), e.ruta);
    ArchivoCrudo& entrada = abierto.valor();
    if (!Igual(entrada.identidad(), e.identidad))
        return FallaCambiado(e.ruta);
    struct stat st {};
    if (::fstat(entrada.descriptor(), &st) != 0)
        return FallaLectura(Falla::desdeErrno(errno), e.ruta);
    Central c;
    c.nombre = NombreDeRuta(e.ruta).toUtf8();
    if (!EsAscii(c.nombre))
        c.banderas |= kBanderaUtf8;
    c.original = e.identidad.tamano;
    c.desplazamiento = tamano();
    c.zip64 = c.original >= kMaximo32;
    // The MS-DOS attributes in the low byte: read-only when the owner may not write.
    c.externos = (quint32(st.st_mode) << 16) | ((st.st_mode & S_IWUSR) ? 0 : 1);
    PongoFecha(e.identidad.modificadoNs, c);
    entrada.avisoLecturaSecuencial();
    if (auto f = agregoAbierto(entrada, c))
        return f;
    // Read to its end, it must still be the file checked, open and under its name.
    if (!Igual(entrada.identidad(), e.identidad) || !Igual(IdentidadDe(e.ruta), e.identidad))
        return FallaCambiado(e.ruta);
    centrales_.push_back(c);
    return falla_;
}

Estado EscritorZip::agregoAbierto(ArchivoCrudo& entrada, Central& c)
{
    // The deflated bytes wait in memory until they tell how the entry goes:
    // while they shrink they go on to the archive (sizes in a data descriptor);
    // when they do not, the entry will most likely be stored, and they are only
    // counted, never written.
    enum class Destino { Memoria, Archivo, Cuenta } destino = Destino::Memoria;
    QByteArray pendiente;
    qint64 leidos = 0;
    const auto salida = [&](const char* datos, qint64 n, qint64 deLaEntrada) -> Estado {
        if (alComprimir)
            alComprimir(entrada.ruta());
        if (cancelado())
            return Falla::cancelada();
        leidos += deLaEntrada;
        if (destino == Destino::Archivo)
            pongo(datos, n);
        if (destino != Destino::Memoria)
            return falla_;
        pendiente.append(datos, n);
        if (pendiente.size() < kEnMemoria)
            return std::nullopt;
        if (pendiente.size() >= leidos) {
            destino = Destino::Cuenta;
        } else {
            destino = Destino::Archivo;
            rezagado_.marco(c.desplazamiento);
            c.metodo = kDeflate;
            c.banderas |= kBanderaDescriptor;
            pongo(CabeceraLocal(c, true));
            pongo(pendiente);
        }
        pendiente = QByteArray();
        return falla_;
    };
    const auto r = deflate_.comprimo(entrada, c.original, salida, progreso_);
    if (!r)
        return r.falla();
    c.crc = r.valor().crc;
    if (r.valor().comprimidos < c.original) {
        c.metodo = kDeflate;
        c.comprimido = r.valor().comprimidos;
        if (destino == Destino::Cuenta) {
            destino = Destino::Archivo;
            return deflatoDeNuevo(entrada, c, salida);
        }
        if (destino == Destino::Archivo) {
            pongo(Descriptor(c));
        } else {
            pongo(CabeceraLocal(c, false));
            pongo(pendiente);
        }
        return falla_;
    }
    // Deflate would not make it smaller: stored, as zip does, over what was deflated.
    if (destino == Destino::Archivo)
        vuelvoA(c.desplazamiento);
    c.metodo = 0;
    c.banderas &= quint16(~kBanderaDescriptor);
    c.comprimido = c.original;
    pongo(CabeceraLocal(c, false));
    if (auto f = guardo(entrada, c))
        return f;
    return falla_;
}

Estado EscritorZip::deflatoDeNuevo(ArchivoCrudo& entrada, const Central& c, const DeflateParalelo::Salida& salida)
{
    // Its start did not shrink but the whole did: deflated once more, into the
    // archive this time, with the sizes and CRC of the first pass up front.
    if (auto f = entrada.vuelvoAlInicio())
        return FallaLectura(*f, entrada.ruta());
    if (progreso_)
        progreso_->total.fetch_add(c.original);
    pongo(CabeceraLocal(c, false));
    const auto r = deflate_.comprimo(entrada, c.original, salida, progreso_);
    if (!r)
        return r.falla();
    // Read twice, it must have been the same both times.
    if (r.valor().crc != c.crc || r.valor().comprimidos != c.comprimido)
        return FallaCambiado(entrada.ruta());
    return falla_;
}

Estado EscritorZip::guardo(ArchivoCrudo& entrada, const Central& c)
{
    std::vector<char> bloque(std::size_t(std::clamp<qint64>(c.original, 1, kBloque)));
    uLong crc = crc32(0, nullptr, 0);
    for (qint64 hecho = 0; hecho < c.original;) {
        if (cancelado())
            return Falla::cancelada();
        const qint64 n = std::min(qint64(bloque.size()), c.original - hecho);
        if (auto f = entrada.leoExacto(bloque.data(), n, hecho))
            return FallaLectura(*f, entrada.ruta());
        crc = crc32(crc, reinterpret_cast<const Bytef*>(bloque.data()), uInt(n));
        pongo(bloque.data(), n);
        if (falla_)
            return falla_;
        hecho += n;
    }
    // Read twice, it must have been the same both times.
    if (quint32(crc) != c.crc)
        return FallaCambiado(entrada.ruta());
    return std::nullopt;
}

Estado EscritorZip::cierro()
{
    const qint64 inicio = tamano();
    for (const Central& c : centrales_)
        pongo(RegistroCentral(c));
    const qint64 largo = tamano() - inicio;
    pongo(Final(qint64(centrales_.size()), inicio, largo, tamano()));
    vuelco();
    // An entry stored over its deflated attempt can leave bytes past the end.
    if (!falla_ && escrito_ > tamano())
        falla_ = salida_.recorto(tamano());
    if (falla_)
        return falla_;
    auto hash = rezagado_.termino(tamano());
    if (!hash)
        return falla_ = hash.falla();
    md5_ = hash.valor();
    return std::nullopt;
}
