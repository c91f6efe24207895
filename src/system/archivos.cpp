#include "system/archivos.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <algorithm>
#include <cstring>
#include <dirent.h>

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

// A name that was not valid UTF-8 reaches us with U+FFFD in place of its
// bytes: encoded again it would name another file, or none. Refused.
Estado nombreIlegible(const QString& ruta)
{
    if (!ruta.contains(QChar::ReplacementCharacter))
        return std::nullopt;
    return Falla::de(TipoFalla::Otra,
                     QStringLiteral("El nombre no es texto UTF-8 válido y TERV no puede usarlo sin confundirlo con "
                                    "otro archivo; cámbiele el nombre e intente nuevamente: ")
                         + ruta);
}

// Why a path that exists is not a file we read or write.
Falla noEsComun(mode_t modo, const QString& ruta)
{
    if (S_ISDIR(modo))
        return {TipoFalla::NoEsArchivoComun, DescripcionError(EISDIR) + QStringLiteral(": ") + ruta, EISDIR};
    if (S_ISLNK(modo))
        return Falla::de(TipoFalla::NoEsArchivoComun,
                         QStringLiteral("La ruta indicada es un enlace, no un archivo común: ") + ruta);
    return Falla::de(
        TipoFalla::NoEsArchivoComun,
        QStringLiteral("La ruta indicada no es un archivo común (es una tubería, un dispositivo o un socket): ")
            + ruta);
}

IdentidadArchivo identidadDe(const struct stat& st)
{
    return {quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size),
            qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
            qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec};
}

Resultado<struct stat> estadoSinSeguir(const QString& ruta)
{
    if (auto f = nombreIlegible(ruta))
        return *f;
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

bool procesoVivo(qint64 pid) { return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM); }

// A folder opened to lock or to flush it ("" is the current one).
int abroCarpeta(const QString& carpeta)
{
    return ::open(nativo(carpeta.isEmpty() ? QStringLiteral(".") : carpeta).constData(),
                  O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

bool mismoNodo(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// The names in an open folder; the caller keeps its descriptor.
std::vector<QByteArray> nombresEn(int dir)
{
    std::vector<QByteArray> nombres;
    const int otro = ::fcntl(dir, F_DUPFD_CLOEXEC, 0);
    DIR* d = otro < 0 ? nullptr : ::fdopendir(otro);
    if (!d) {
        if (otro >= 0)
            ::close(otro);
        return nombres;
    }
    ::rewinddir(d);
    while (const dirent* e = ::readdir(d))
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            nombres.emplace_back(e->d_name);
    ::closedir(d);
    return nombres;
}

// A temporary file of a dead run, if no live run holds it and the name still
// leads to the file that was looked at.
void borroTemporalEn(int dir, const char* nombre, const struct stat& visto)
{
    const int fd = ::openat(dir, nombre, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return;
    struct stat st {};
    struct stat ahora {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && mismoNodo(st, visto) && ::flock(fd, LOCK_EX | LOCK_NB) == 0
        && ::fstatat(dir, nombre, &ahora, AT_SYMLINK_NOFOLLOW) == 0 && mismoNodo(ahora, st))
        ::unlinkat(dir, nombre, 0);
    ::close(fd);
}

// 0 or the error number; a file system without the no-replace rename gets a
// hard link, which fails on a taken name too.
int renombroSinPisar(const QByteArray& a, const QByteArray& b)
{
    if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    if (::link(a.constData(), b.constData()) != 0)
        return errno;
    if (::unlink(a.constData()) != 0) {
        const int numero = errno;
        ::unlink(b.constData());
        return numero;
    }
    return 0;
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
    if (auto f = nombreIlegible(ruta))
        return *f;
    const QByteArray n = nativo(ruta);
    int fd = -1;
    if (modo == Modo::Lectura || modo == Modo::Modifico) {
        // Non-blocking, so that a FIFO is refused instead of waited on.
        const int acceso = modo == Modo::Lectura ? O_RDONLY : O_RDWR;
        fd = ::open(n.constData(), acceso | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) {
            const int numero = errno;
            if (numero == ELOOP)
                return noEsComun(S_IFLNK, ruta);
            // A socket cannot be opened at all: say what it is, not the bare error.
            struct stat st {};
            if (::lstat(n.constData(), &st) == 0 && !S_ISREG(st.st_mode))
                return noEsComun(st.st_mode, ruta);
            return Falla::desdeErrno(numero, ruta);
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            const mode_t modoArchivo = st.st_mode;
            ::close(fd);
            return noEsComun(modoArchivo, ruta);
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    } else {
        fd = ::open(n.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY,
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

Estado ArchivoCrudo::vuelvoAlInicio()
{
    if (::lseek(fd_, 0, SEEK_SET) != 0)
        return fallaErrno(ruta_);
    return std::nullopt;
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

Estado ArchivoCrudo::copioTramo(ArchivoCrudo& origen, qint64 posicionOrigen, qint64 n, qint64 posicionDestino)
{
    loff_t desde = posicionOrigen, hacia = posicionDestino;
    while (n > 0) {
        const ssize_t c = ::copy_file_range(origen.fd_, &desde, fd_, &hacia, size_t(n), 0);
        if (c > 0) {
            n -= c;
            continue;
        }
        if (c == 0)
            return Falla::de(TipoFalla::Cambiado,
                             QStringLiteral("El archivo se acortó mientras se leía: ") + origen.ruta_);
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

Estado ArchivoCrudo::copioDesde(ArchivoCrudo& origen, qint64 posicionOrigen, qint64 n, qint64 posicionDestino)
{
    const qint64 fin = posicionOrigen + n;
    const auto tamano = origen.tamano();
    if (!tamano)
        return tamano.falla();
    if (tamano.valor() < fin)
        return Falla::de(TipoFalla::Cambiado, QStringLiteral("El archivo se acortó mientras se leía: ") + origen.ruta_);
    // Only the source's data is copied: its holes stay holes in the copy.
    for (qint64 pos = posicionOrigen; pos < fin;) {
        qint64 dato = ::lseek(origen.fd_, off_t(pos), SEEK_DATA);
        if (dato < 0 && errno == ENXIO)
            break;
        if (dato < 0)
            dato = pos; // no way to ask: all data
        if (dato >= fin)
            break;
        qint64 hueco = ::lseek(origen.fd_, off_t(dato), SEEK_HOLE);
        if (hueco < 0 || hueco > fin)
            hueco = fin;
        if (auto f = copioTramo(origen, dato, hueco - dato, posicionDestino + (dato - posicionOrigen)))
            return f;
        pos = hueco;
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        return fallaErrno(ruta_);
    if (st.st_size < posicionDestino + n && ::ftruncate(fd_, off_t(posicionDestino + n)) != 0)
        return fallaErrno(ruta_);
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

bool EsNombreTemporal(const QString& nombre) { return formaTemporal().match(nombre).hasMatch(); }

void LimpioTemporalesHuerfanos(const QString& carpeta, const std::vector<IdentidadArchivo>& conservo)
{
    const int dir = abroCarpeta(carpeta);
    if (dir < 0)
        return;
    for (const QByteArray& nombre : nombresEn(dir)) {
        const auto m = formaTemporal().match(QString::fromLatin1(nombre));
        if (!m.hasMatch() || procesoVivo(m.captured(1).toLongLong()))
            continue;
        struct stat st {};
        if (::fstatat(dir, nombre.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (std::any_of(conservo.begin(), conservo.end(), [&](const IdentidadArchivo& id) {
                return id.dispositivo == st.st_dev && id.nodo == st.st_ino;
            }))
            continue;
        if (S_ISREG(st.st_mode))
            borroTemporalEn(dir, nombre.constData(), st);
    }
    ::close(dir);
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

bool ExisteArchivoComun(const QString& ruta) { return bool(IdentidadDe(ruta)); }

bool ExisteNombre(const QString& ruta) { return bool(estadoSinSeguir(ruta)); }

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
    if (auto f = nombreIlegible(desde + hacia))
        return f;
    const QByteArray a = nativo(desde), b = nativo(hacia);
    if (const int numero = renombroSinPisar(a, b))
        return Falla::desdeErrno(numero, hacia);
    if (auto f = SincronizoCarpeta(CarpetaDeRuta(hacia))) {
        renombroSinPisar(b, a);
        return f;
    }
    return std::nullopt;
}

Estado RenombroReemplazando(const QString& desde, const QString& hacia)
{
    if (auto f = nombreIlegible(desde + hacia))
        return f;
    const QByteArray a = nativo(desde), b = nativo(hacia);
    struct stat st {};
    if (::lstat(b.constData(), &st) != 0)
        return RenombroSinReemplazo(desde, hacia);
    if (S_ISDIR(st.st_mode))
        return Falla::desdeErrno(EISDIR, hacia);
    // Swapped rather than overwritten, so that the replaced file can come back.
    if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_EXCHANGE) == 0) {
        if (auto f = SincronizoCarpeta(CarpetaDeRuta(hacia))) {
            ::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_EXCHANGE);
            return f;
        }
        ::unlink(a.constData()); // the replaced file, now under the other name
        return std::nullopt;
    }
    if (errno != EINVAL && errno != ENOSYS)
        return Falla::desdeErrno(errno, hacia);
    // No swap on this file system: the replaced file cannot come back.
    if (::rename(a.constData(), b.constData()) != 0)
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

Resultado<QStringList> EntregoTodos(std::vector<Temporal>& temporales, const QStringList& destinos, bool reemplazar,
                                    const MismoContenido& mismo)
{
    QStringList hechos;
    QList<std::pair<QString, IdentidadArchivo>> creados;
    for (size_t k = 0; k < temporales.size(); ++k) {
        const QString& destino = destinos[qsizetype(k)];
        const bool tomado = ExisteNombre(destino);
        Estado f;
        if (tomado && mismo && mismo(qsizetype(k), destino)) {
            temporales[k].descarto();
        } else if (tomado && !reemplazar) {
            temporales[k].descarto();
            f = Falla::desdeErrno(EEXIST, destino);
        } else {
            const auto propio = IdentidadDe(temporales[k].ruta());
            f = temporales[k].entrego(destino, tomado);
            if (!f && !tomado && propio)
                creados.append({destino, propio.valor()});
        }
        if (f) {
            // Only what this call created goes, and only if the name still holds it.
            for (const auto& [creado, id] : std::as_const(creados)) {
                const auto ahora = IdentidadDe(creado);
                if (ahora && ahora.valor().dispositivo == id.dispositivo && ahora.valor().nodo == id.nodo)
                    BorroArchivo(creado);
            }
            if (!creados.isEmpty())
                SincronizoCarpeta(CarpetaDeRuta(creados.front().first));
            return *f;
        }
        hechos << destino;
    }
    return hechos;
}

QStringList NombresIlegibles(const QString& carpeta)
{
    QStringList nombres;
    const int dir = abroCarpeta(carpeta);
    if (dir < 0)
        return nombres;
    for (const QByteArray& n : nombresEn(dir)) {
        const QString decodificado = QFile::decodeName(n);
        if (QFile::encodeName(decodificado) != n)
            nombres << decodificado;
    }
    ::close(dir);
    nombres.sort();
    return nombres;
}

QString NombreDeRuta(const QString& ruta) { return ruta.mid(ruta.lastIndexOf(QLatin1Char('/')) + 1); }

QString CarpetaDeRuta(const QString& ruta) { return ruta.left(ruta.lastIndexOf(QLatin1Char('/')) + 1); }

QString UnoRuta(const QString& carpeta, const QString& nombre)
{
    if (carpeta.isEmpty() || carpeta.endsWith(QLatin1Char('/')))
        return carpeta + nombre;
    return carpeta + QLatin1Char('/') + nombre;
}
