#include "system/archivos.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

QByteArray nativo(const QString& ruta) { return QFile::encodeName(ruta); }

Falla fallaErrno(const QString& ruta) { return Falla::desdeErrno(errno, ruta); }

// Why a path that exists is not a file we read or write.
Falla noEsComun(mode_t modo, const QString& ruta)
{
    if (S_ISDIR(modo))
        return {TipoFalla::NoEsArchivoComun, DescripcionError(EISDIR) + QStringLiteral(": ") + ruta, EISDIR};
    if (S_ISLNK(modo))
        return Falla::de(TipoFalla::NoEsArchivoComun,
                         QStringLiteral("La ruta indicada es un enlace, no un archivo común: ") + ruta);
    return Falla::de(TipoFalla::NoEsArchivoComun,
                     QStringLiteral("La ruta indicada no es un archivo común (es una tubería, un dispositivo o un socket): ")
                         + ruta);
}

IdentidadArchivo identidadDe(const struct stat& st)
{
    return {quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size),
            qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

Resultado<struct stat> estadoSinSeguir(const QString& ruta)
{
    struct stat st {};
    if (::lstat(nativo(ruta).constData(), &st) != 0)
        return fallaErrno(ruta);
    return st;
}

const QRegularExpression& formaTemporal()
{
    static const QRegularExpression re(QStringLiteral(R"(^\.terv-(\d+)-[A-Za-z0-9]{6}\.tmp$)"));
    return re;
}

QString nombreTemporal()
{
    static const char letras[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString azar;
    for (int i = 0; i < 6; ++i)
        azar += QLatin1Char(letras[QRandomGenerator::global()->bounded(int(sizeof letras - 1))]);
    return QStringLiteral(".terv-%1-%2.tmp").arg(::getpid()).arg(azar);
}

bool procesoVivo(qint64 pid)
{
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

// A folder opened to lock or to flush it ("" is the current one).
int abroCarpeta(const QString& carpeta)
{
    return ::open(nativo(carpeta.isEmpty() ? QStringLiteral(".") : carpeta).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

} // namespace

// ---- ArchivoCrudo ----

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
    const QByteArray n = nativo(ruta);
    int fd = -1;
    if (modo == Modo::Lectura || modo == Modo::Modifico) {
        // Non-blocking, so that a FIFO is refused instead of waited on.
        const int acceso = modo == Modo::Lectura ? O_RDONLY : O_RDWR;
        fd = ::open(n.constData(), acceso | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) {
            if (errno == ELOOP)
                return noEsComun(S_IFLNK, ruta);
            return fallaErrno(ruta);
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            const mode_t modoArchivo = st.st_mode;
            ::close(fd);
            return noEsComun(modoArchivo, ruta);
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    } else {
        fd = ::open(n.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY,
                    modo == Modo::CreoEjecutable ? 0777 : 0666);
        if (fd < 0)
            return fallaErrno(ruta);
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

Resultado<IdentidadArchivo> ArchivoCrudo::identidad() const
{
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        return fallaErrno(ruta_);
    return identidadDe(st);
}

void ArchivoCrudo::avisoLecturaSecuencial()
{
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
}

void ArchivoCrudo::adelantoEscritura(qint64 posicion, qint64 n)
{
#ifdef SYNC_FILE_RANGE_WRITE
    ::sync_file_range(fd_, off64_t(posicion), off64_t(n), SYNC_FILE_RANGE_WRITE);
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
            return Falla::de(TipoFalla::Cambiado, QStringLiteral("El archivo se acortó mientras se leía: ") + ruta_);
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

Estado ArchivoCrudo::copioDesde(ArchivoCrudo& origen, qint64 posicionOrigen, qint64 n, qint64 posicionDestino)
{
    loff_t desde = posicionOrigen, hacia = posicionDestino;
    while (n > 0) {
        const ssize_t c = ::copy_file_range(origen.fd_, &desde, fd_, &hacia, size_t(n), 0);
        if (c > 0) {
            n -= c;
            continue;
        }
        if (c == 0)
            return Falla::de(TipoFalla::Cambiado, QStringLiteral("El archivo se acortó mientras se leía: ") + origen.ruta_);
        if (errno == EINTR)
            continue;
        if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
            return fallaErrno(ruta_);
        // No kernel copy between these file systems: through a buffer.
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

Estado ArchivoCrudo::sincronizo()
{
    if (::fsync(fd_) != 0)
        return fallaErrno(ruta_);
    return std::nullopt;
}

Estado ArchivoCrudo::recorto(qint64 largo)
{
    while (::ftruncate(fd_, off_t(largo)) != 0)
        if (errno != EINTR)
            return fallaErrno(ruta_);
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

// ---- Temporal ----

Temporal::~Temporal() { descarto(); }

Temporal::Temporal(Temporal&& otro) noexcept : archivo_(std::move(otro.archivo_)), ruta_(std::move(otro.ruta_))
{
    otro.ruta_.clear();
}

Temporal& Temporal::operator=(Temporal&& otro) noexcept
{
    if (this != &otro) {
        descarto();
        archivo_ = std::move(otro.archivo_);
        ruta_ = std::move(otro.ruta_);
        otro.ruta_.clear();
    }
    return *this;
}

Resultado<Temporal> Temporal::creo(const QString& carpeta, ArchivoCrudo::Modo modo)
{
    for (int intento = 0; intento < 100; ++intento) {
        const QString ruta = UnoRuta(carpeta, nombreTemporal());
        auto archivo = ArchivoCrudo::abro(ruta, modo);
        if (!archivo) {
            if (archivo.falla().tipo == TipoFalla::YaExiste)
                continue;
            return archivo.falla();
        }
        // The lock tells a cleaner that this run is alive.
        ::flock(archivo.valor().descriptor(), LOCK_EX | LOCK_NB);
        Temporal t;
        t.archivo_ = std::move(archivo.valor());
        t.ruta_ = ruta;
        return t;
    }
    return Falla::desdeErrno(EEXIST, carpeta);
}

Estado Temporal::termino()
{
    if (auto f = archivo_.sincronizo())
        return f;
    return archivo_.cierro();
}

Estado Temporal::entrego(const QString& destino, bool reemplazar)
{
    Estado f = archivo_.abierto() ? archivo_.sincronizo() : Estado{};
    if (!f)
        f = reemplazar ? RenombroReemplazando(ruta_, destino) : RenombroSinReemplazo(ruta_, destino);
    if (f) {
        descarto();
        return f;
    }
    ruta_.clear();
    return archivo_.cierro();
}

Estado Temporal::entregoSiLibre(const QString& destino)
{
    if (archivo_.abierto())
        if (auto f = archivo_.sincronizo()) {
            descarto();
            return f;
        }
    if (auto f = RenombroSinReemplazo(ruta_, destino)) {
        if (f->tipo != TipoFalla::YaExiste)
            descarto();
        return f;
    }
    ruta_.clear();
    return archivo_.cierro();
}

void Temporal::descarto()
{
    if (ruta_.isEmpty())
        return;
    ::unlink(nativo(ruta_).constData());
    ruta_.clear();
    archivo_.cierro();
}

bool EsNombreTemporal(const QString& nombre)
{
    return formaTemporal().match(nombre).hasMatch();
}

void LimpioTemporalesHuerfanos(const QString& carpeta)
{
    const QStringList nombres = QDir(carpeta).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& nombre : nombres) {
        const auto m = formaTemporal().match(nombre);
        if (!m.hasMatch() || procesoVivo(m.captured(1).toLongLong()))
            continue;
        const QString ruta = UnoRuta(carpeta, nombre);
        const auto st = estadoSinSeguir(ruta);
        if (!st)
            continue;
        if (!S_ISREG(st.valor().st_mode))
            continue;
        const int fd = ::open(nativo(ruta).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(nativo(ruta).constData());
        ::close(fd);
    }
}

// ---- CerrojoCarpeta ----

CerrojoCarpeta::~CerrojoCarpeta()
{
    if (fd_ >= 0)
        ::close(fd_);
}

Resultado<CerrojoCarpeta> CerrojoCarpeta::tomo(const QString& carpeta)
{
    const int fd = abroCarpeta(carpeta);
    if (fd < 0)
        return fallaErrno(carpeta);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return Falla::de(TipoFalla::Ocupado,
                         QStringLiteral("Otra operación de TERV está escribiendo en la carpeta ") + carpeta
                             + QStringLiteral(". Espere a que termine e intente nuevamente."));
    }
    CerrojoCarpeta cerrojo;
    cerrojo.fd_ = fd;
    return cerrojo;
}

// ---- paths ----

Resultado<IdentidadArchivo> IdentidadDe(const QString& ruta)
{
    const auto st = estadoSinSeguir(ruta);
    if (!st)
        return st.falla();
    if (!S_ISREG(st.valor().st_mode))
        return noEsComun(st.valor().st_mode, ruta);
    return identidadDe(st.valor());
}

Resultado<qint64> TamanoDe(const QString& ruta)
{
    const auto id = IdentidadDe(ruta);
    if (!id)
        return id.falla();
    return id.valor().tamano;
}

bool ExisteArchivoComun(const QString& ruta)
{
    return bool(IdentidadDe(ruta));
}

bool ExisteNombre(const QString& ruta)
{
    return bool(estadoSinSeguir(ruta));
}

Estado SincronizoCarpeta(const QString& carpeta)
{
    const int fd = abroCarpeta(carpeta);
    if (fd < 0)
        return fallaErrno(carpeta);
    const int r = ::fsync(fd);
    const int numero = errno;
    ::close(fd);
    // Some file systems cannot flush a folder; the rename itself stands.
    if (r != 0 && numero != EINVAL && numero != EROFS)
        return Falla::desdeErrno(numero, carpeta);
    return std::nullopt;
}

Estado RenombroSinReemplazo(const QString& desde, const QString& hacia)
{
    const QByteArray a = nativo(desde), b = nativo(hacia);
    if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) != 0) {
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
    }
    return SincronizoCarpeta(CarpetaDeRuta(hacia));
}

Estado RenombroReemplazando(const QString& desde, const QString& hacia)
{
    if (::rename(nativo(desde).constData(), nativo(hacia).constData()) != 0)
        return Falla::desdeErrno(errno, hacia);
    return SincronizoCarpeta(CarpetaDeRuta(hacia));
}

Estado BorroArchivo(const QString& ruta)
{
    if (::unlink(nativo(ruta).constData()) != 0)
        return fallaErrno(ruta);
    return std::nullopt;
}

Estado CopioArchivo(const QString& origen, const QString& destino, bool reemplazar)
{
    auto lectura = ArchivoCrudo::abro(origen, ArchivoCrudo::Modo::Lectura);
    if (!lectura)
        return lectura.falla();
    const auto tamano = lectura.valor().tamano();
    if (!tamano)
        return tamano.falla();
    auto temporal = Temporal::creo(CarpetaDeRuta(destino));
    if (!temporal)
        return temporal.falla();
    if (auto f = temporal.valor().archivo().copioDesde(lectura.valor(), 0, tamano.valor(), 0))
        return f;
    return temporal.valor().entrego(destino, reemplazar);
}

Estado MuevoArchivo(const QString& origen, const QString& destino, bool reemplazar)
{
    Estado f = reemplazar ? RenombroReemplazando(origen, destino) : RenombroSinReemplazo(origen, destino);
    if (!f || f->numero != EXDEV)
        return f;
    if (auto copia = CopioArchivo(origen, destino, reemplazar))
        return copia;
    BorroArchivo(origen);
    return std::nullopt;
}

Resultado<QStringList> EntregoTodos(std::vector<Temporal>& temporales, const QStringList& destinos, bool reemplazar)
{
    QStringList hechos;
    for (size_t k = 0; k < temporales.size(); ++k) {
        if (auto f = temporales[k].entrego(destinos[qsizetype(k)], reemplazar)) {
            for (const QString& hecho : std::as_const(hechos))
                BorroArchivo(hecho);
            if (!hechos.isEmpty())
                SincronizoCarpeta(CarpetaDeRuta(hechos.front()));
            return *f;
        }
        hechos << destinos[qsizetype(k)];
    }
    return hechos;
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
