#include "system/archivos.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

QByteArray nativo(const QString& ruta) { return QFile::encodeName(ruta); }

Falla fallaErrno(const QString& ruta) { return Falla::desdeErrno(errno, ruta); }

} // namespace

ArchivoCrudo::~ArchivoCrudo()
{
    if (fd_ >= 0)
        ::close(fd_);
}

ArchivoCrudo::ArchivoCrudo(ArchivoCrudo&& otro) noexcept : fd_(otro.fd_), ruta_(std::move(otro.ruta_))
{
    otro.fd_ = -1;
}

ArchivoCrudo& ArchivoCrudo::operator=(ArchivoCrudo&& otro) noexcept
{
    if (this != &otro) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = otro.fd_;
        ruta_ = std::move(otro.ruta_);
        otro.fd_ = -1;
    }
    return *this;
}

Resultado<ArchivoCrudo> ArchivoCrudo::abro(const QString& ruta, Modo modo)
{
    int banderas = O_CLOEXEC;
    switch (modo) {
    case Modo::Lectura: banderas |= O_RDONLY; break;
    case Modo::CreoReemplazando: banderas |= O_WRONLY | O_CREAT | O_TRUNC; break;
    case Modo::CreoNuevo: banderas |= O_WRONLY | O_CREAT | O_EXCL; break;
    case Modo::Escritura: banderas |= O_WRONLY; break;
    }
    const int fd = ::open(nativo(ruta).constData(), banderas, 0644);
    if (fd < 0)
        return fallaErrno(ruta);
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return Falla::desdeErrno(EISDIR, ruta);
    }
    ArchivoCrudo archivo;
    archivo.fd_ = fd;
    archivo.ruta_ = ruta;
    return archivo;
}

Resultado<qint64> ArchivoCrudo::tamano() const
{
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        return fallaErrno(ruta_);
    return qint64(st.st_size);
}

void ArchivoCrudo::avisoLecturaSecuencial()
{
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
}

Resultado<qint64> ArchivoCrudo::leo(char* destino, qint64 n)
{
    for (;;) {
        const ssize_t r = ::read(fd_, destino, size_t(n));
        if (r >= 0)
            return qint64(r);
        if (errno != EINTR)
            return fallaErrno(ruta_);
    }
}

Estado ArchivoCrudo::leoExacto(char* destino, qint64 n, qint64 posicion)
{
    while (n > 0) {
        const ssize_t r = ::pread(fd_, destino, size_t(n), off_t(posicion));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return fallaErrno(ruta_);
        }
        if (r == 0)
            return Falla::otra(QStringLiteral("El archivo se acortó mientras se leía: ") + ruta_);
        destino += r;
        n -= r;
        posicion += r;
    }
    return std::nullopt;
}

Estado ArchivoCrudo::escribo(const char* origen, qint64 n)
{
    while (n > 0) {
        const ssize_t w = ::write(fd_, origen, size_t(n));
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return fallaErrno(ruta_);
        }
        origen += w;
        n -= w;
    }
    return std::nullopt;
}

Estado ArchivoCrudo::escriboEn(const char* origen, qint64 n, qint64 posicion)
{
    while (n > 0) {
        const ssize_t w = ::pwrite(fd_, origen, size_t(n), off_t(posicion));
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return fallaErrno(ruta_);
        }
        origen += w;
        n -= w;
        posicion += w;
    }
    return std::nullopt;
}

Estado ArchivoCrudo::copioDe(ArchivoCrudo& origen, qint64 desde, qint64 hacia, qint64 n)
{
    while (n > 0) {
        off64_t de = desde, a = hacia;
        const ssize_t c = ::copy_file_range(origen.fd_, &de, fd_, &a, size_t(std::min<qint64>(n, 1 << 30)), 0);
        if (c > 0) {
            desde += c;
            hacia += c;
            n -= c;
            continue;
        }
        if (c == 0)
            return Falla::otra(QStringLiteral("El archivo se acortó mientras se leía: ") + origen.ruta_);
        if (errno == EINTR)
            continue;
        if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP)
            return fallaErrno(errno == EBADF ? ruta_ : origen.ruta_);
        // The kernel cannot copy between these two: through user space.
        std::vector<char> bloque(size_t(std::min<qint64>(n, 1 << 20)));
        while (n > 0) {
            const qint64 t = std::min<qint64>(n, qint64(bloque.size()));
            if (auto f = origen.leoExacto(bloque.data(), t, desde))
                return f;
            if (auto f = escriboEn(bloque.data(), t, hacia))
                return f;
            desde += t;
            hacia += t;
            n -= t;
        }
    }
    return std::nullopt;
}

Estado ArchivoCrudo::cierro()
{
    if (fd_ < 0)
        return std::nullopt;
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR)
        return fallaErrno(ruta_);
    return std::nullopt;
}

Estado RenombroSinReemplazo(const QString& desde, const QString& hacia)
{
    const QByteArray a = nativo(desde), b = nativo(hacia);
    if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) == 0)
        return std::nullopt;
    if (errno != EINVAL && errno != ENOSYS)
        return Falla::desdeErrno(errno, hacia);
    // File systems without the no-replace rename: a hard link fails on a taken name.
    if (::link(a.constData(), b.constData()) != 0)
        return Falla::desdeErrno(errno, hacia);
    if (::unlink(a.constData()) != 0) {
        const int numero = errno;
        ::unlink(b.constData());
        return Falla::desdeErrno(numero, desde);
    }
    return std::nullopt;
}

Estado RenombroReemplazando(const QString& desde, const QString& hacia)
{
    if (::rename(nativo(desde).constData(), nativo(hacia).constData()) != 0)
        return Falla::desdeErrno(errno, hacia);
    return std::nullopt;
}

Estado BorroArchivo(const QString& ruta)
{
    if (::unlink(nativo(ruta).constData()) != 0)
        return fallaErrno(ruta);
    return std::nullopt;
}

bool ExisteArchivoComun(const QString& ruta)
{
    struct stat st {};
    return ::stat(nativo(ruta).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

Resultado<qint64> TamanoDe(const QString& ruta)
{
    struct stat st {};
    if (::stat(nativo(ruta).constData(), &st) != 0)
        return fallaErrno(ruta);
    if (S_ISDIR(st.st_mode))
        return Falla::desdeErrno(EISDIR, ruta);
    return qint64(st.st_size);
}

Resultado<QString> CreoTemporalEn(const QString& carpeta, const QString& prefijo)
{
    QByteArray plantilla = nativo(UnoRuta(carpeta, prefijo + QStringLiteral("XXXXXX")));
    const int fd = ::mkostemp(plantilla.data(), O_CLOEXEC);
    if (fd < 0)
        return fallaErrno(carpeta);
    ::fchmod(fd, 0644);
    ::close(fd);
    return QFile::decodeName(plantilla);
}

Estado CopioArchivo(const QString& origen, const QString& destino, bool reemplazar)
{
    auto lectura = ArchivoCrudo::abro(origen, ArchivoCrudo::Modo::Lectura);
    if (!lectura)
        return lectura.falla();
    lectura.valor().avisoLecturaSecuencial();
    auto temporal = CreoTemporalEn(CarpetaDeRuta(destino), QStringLiteral(".terv-copia-"));
    if (!temporal)
        return temporal.falla();
    auto escritura = ArchivoCrudo::abro(temporal.valor(), ArchivoCrudo::Modo::CreoReemplazando);
    auto fallo = [&](Falla f) -> Estado {
        BorroArchivo(temporal.valor());
        return f;
    };
    if (!escritura)
        return fallo(escritura.falla());
    std::vector<char> bloque(1 << 20);
    for (;;) {
        auto leidos = lectura.valor().leo(bloque.data(), qint64(bloque.size()));
        if (!leidos)
            return fallo(leidos.falla());
        if (leidos.valor() == 0)
            break;
        if (auto f = escritura.valor().escribo(bloque.data(), leidos.valor()))
            return fallo(*f);
    }
    if (auto f = escritura.valor().cierro())
        return fallo(*f);
    Estado final = reemplazar ? RenombroReemplazando(temporal.valor(), destino)
                              : RenombroSinReemplazo(temporal.valor(), destino);
    if (final)
        return fallo(*final);
    return std::nullopt;
}

Estado MuevoArchivo(const QString& origen, const QString& destino, bool reemplazar)
{
    Estado f = reemplazar ? RenombroReemplazando(origen, destino) : RenombroSinReemplazo(origen, destino);
    if (!f)
        return std::nullopt;
    if (f->numero != EXDEV)
        return f;
    if (auto copia = CopioArchivo(origen, destino, reemplazar))
        return copia;
    BorroArchivo(origen);
    return std::nullopt;
}

QString NombreDeRuta(const QString& ruta)
{
    return ruta.mid(ruta.lastIndexOf(QLatin1Char('/')) + 1);
}

QString CarpetaDeRuta(const QString& ruta)
{
    return ruta.left(ruta.lastIndexOf(QLatin1Char('/')) + 1);
}

QString UnoRuta(const QString& carpeta, const QString& nombre)
{
    if (carpeta.isEmpty() || carpeta.endsWith(QLatin1Char('/')))
        return carpeta + nombre;
    return carpeta + QLatin1Char('/') + nombre;
}
