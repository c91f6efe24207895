// Loaded into terv-cli with LD_PRELOAD: records the calls that deliver a file
// and injects the faults a disk or a neighbour can cause, at an exact call.
//   TERV_REGISTRO=archivo  appends "fsync f|d RUTA" and "rename DESDE HACIA"
//   TERV_FALLA=que:n       the n-th call fails with EIO; que is fsync_d,
//                          fsync_f or rename
//   TERV_DANO=n            the n-th kernel copy delivers one wrong byte
//   TERV_AGREGO=1          the first kernel copy's source grows by a byte first
//   TERV_CAMBIO=ruta       before the first rename, ruta takes the source's name
//   TERV_ENLAZO=carpeta    the first folder of ours opened to be emptied is
//                          moved aside first and a link to carpeta takes its name
//   TERV_PRUEBA_ARCHIVO=nombre, TERV_PRUEBA_DESDE=n
//                          reads of the file so named from byte n on fail with
//                          EIO, as on a failing disk
//   TERV_PRUEBA_PAUSA=carpeta  instead, the first such read says so through the
//                          FIFO carpeta/aviso and waits for a byte on carpeta/sigo:
//                          the run is held mid-file
#include <atomic>
#include <cstdarg>
#include <dirent.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<int> cuentas[4];
enum { FsyncD, FsyncF, Rename, Copia };
const char* const kNombres[] = {"fsync_d", "fsync_f", "rename"};

template <class F>
F siguiente(const char* nombre)
{
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, nombre));
}

std::string rutaDe(int fd)
{
    char enlace[64], ruta[4096];
    std::snprintf(enlace, sizeof enlace, "/proc/self/fd/%d", fd);
    const ssize_t n = ::readlink(enlace, ruta, sizeof ruta - 1);
    return n < 0 ? std::string() : std::string(ruta, size_t(n));
}

void registro(const std::string& linea)
{
    if (const char* archivo = std::getenv("TERV_REGISTRO")) {
        const int fd = ::open(archivo, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        const std::string l = linea + "\n";
        if (fd >= 0 && ::write(fd, l.data(), l.size()) < 0) {}
        if (fd >= 0)
            ::close(fd);
    }
}

// Whether this call of que is the one TERV_FALLA names.
bool falla(int que)
{
    const int n = ++cuentas[que];
    const char* f = std::getenv("TERV_FALLA");
    if (!f)
        return false;
    const size_t largo = std::strlen(kNombres[que]);
    return std::strncmp(f, kNombres[que], largo) == 0 && f[largo] == ':' && std::atoi(f + largo + 1) == n;
}

int sincronizo(const char* nombre, int fd)
{
    struct stat st {};
    const bool carpeta = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
    registro(std::string("fsync ") + (carpeta ? "d " : "f ") + rutaDe(fd));
    if (falla(carpeta ? FsyncD : FsyncF)) {
        errno = EIO;
        return -1;
    }
    return siguiente<int (*)(int)>(nombre)(fd);
}

// Before a rename: the swap TERV_CAMBIO asks for, the record, and whether it fails.
bool renombroMal(const char* desde, const char* hacia)
{
    static std::atomic<bool> cambiado{false};
    if (const char* otro = std::getenv("TERV_CAMBIO"); otro && !cambiado.exchange(true))
        siguiente<int (*)(const char*, const char*)>("rename")(otro, desde);
    registro(std::string("rename ") + desde + " " + hacia);
    if (!falla(Rename))
        return false;
    errno = EIO;
    return true;
}

// The swap a neighbour would make between our look at a folder and its removal.
void enlazoSiEsNuestra(int dir, const char* ruta)
{
    static std::atomic<bool> hecho{false};
    const char* victima = std::getenv("TERV_ENLAZO");
    if (!victima || hecho)
        return;
    std::string completa = ruta;
    if (ruta[0] != '/' && dir != AT_FDCWD)
        completa = rutaDe(dir) + "/" + ruta;
    const size_t barra = completa.rfind('/');
    struct stat st {};
    if (completa.compare(barra == std::string::npos ? 0 : barra + 1, 6, ".terv-") != 0
        || ::lstat(completa.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || hecho.exchange(true))
        return;
    siguiente<int (*)(const char*, const char*)>("rename")(completa.c_str(), (completa + ".aparte").c_str());
    (void)!::symlink(victima, completa.c_str());
}

using Leo = ssize_t (*)(int, void*, size_t);
using LeoEn = ssize_t (*)(int, void*, size_t, off_t);

// True when this read must fail.
bool leoMal(int fd, off_t posicion)
{
    const char* nombre = std::getenv("TERV_PRUEBA_ARCHIVO");
    const char* desde = std::getenv("TERV_PRUEBA_DESDE");
    const std::string ruta = rutaDe(fd);
    if (ruta.substr(ruta.rfind('/') + 1) != nombre || posicion < (desde ? std::atoll(desde) : 0))
        return false;
    const char* pausa = std::getenv("TERV_PRUEBA_PAUSA");
    if (!pausa) {
        errno = EIO;
        return true;
    }
    static std::atomic<bool> pausado{false};
    if (!pausado.exchange(true)) {
        char c = 1;
        if (const int a = ::open((std::string(pausa) + "/aviso").c_str(), O_WRONLY); a >= 0) {
            (void)!::write(a, &c, 1);
            ::close(a);
        }
        if (const int s = ::open((std::string(pausa) + "/sigo").c_str(), O_RDONLY); s >= 0) {
            (void)!siguiente<Leo>("read")(s, &c, 1);
            ::close(s);
        }
    }
    return false;
}

} // namespace

extern "C" {

ssize_t read(int fd, void* destino, size_t n)
{
    if (std::getenv("TERV_PRUEBA_ARCHIVO") && leoMal(fd, ::lseek(fd, 0, SEEK_CUR)))
        return -1;
    return siguiente<Leo>("read")(fd, destino, n);
}

ssize_t pread(int fd, void* destino, size_t n, off_t posicion)
{
    if (std::getenv("TERV_PRUEBA_ARCHIVO") && leoMal(fd, posicion))
        return -1;
    return siguiente<LeoEn>("pread")(fd, destino, n, posicion);
}

DIR* opendir(const char* ruta)
{
    enlazoSiEsNuestra(AT_FDCWD, ruta);
    return siguiente<DIR* (*)(const char*)>("opendir")(ruta);
}

int openat(int dir, const char* ruta, int banderas, ...)
{
    mode_t modo = 0;
    if (banderas & (O_CREAT | O_TMPFILE)) {
        va_list a;
        va_start(a, banderas);
        modo = mode_t(va_arg(a, int));
        va_end(a);
    }
    if (banderas & O_DIRECTORY)
        enlazoSiEsNuestra(dir, ruta);
    return siguiente<int (*)(int, const char*, int, ...)>("openat")(dir, ruta, banderas, modo);
}

int fsync(int fd) { return sincronizo("fsync", fd); }
int fdatasync(int fd) { return sincronizo("fdatasync", fd); }

int renameat2(int da, const char* desde, int dh, const char* hacia, unsigned int banderas)
{
    if (renombroMal(desde, hacia))
        return -1;
    return siguiente<int (*)(int, const char*, int, const char*, unsigned int)>("renameat2")(da, desde, dh, hacia,
                                                                                             banderas);
}

int rename(const char* desde, const char* hacia)
{
    if (renombroMal(desde, hacia))
        return -1;
    return siguiente<int (*)(const char*, const char*)>("rename")(desde, hacia);
}

ssize_t copy_file_range(int en, loff_t* desde, int sal, loff_t* hacia, size_t n, unsigned int banderas)
{
    const int numero = ++cuentas[Copia];
    if (numero == 1 && std::getenv("TERV_AGREGO")) {
        const int fd = ::open(rutaDe(en).c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
        if (fd >= 0 && ::write(fd, "+", 1) < 0) {}
        if (fd >= 0)
            ::close(fd);
    }
    const loff_t inicio = hacia ? *hacia : 0;
    const ssize_t r = siguiente<ssize_t (*)(int, loff_t*, int, loff_t*, size_t, unsigned int)>("copy_file_range")(
        en, desde, sal, hacia, n, banderas);
    if (const char* d = std::getenv("TERV_DANO"); d && r > 0 && std::atoi(d) == numero) {
        // The output may be open for writing only.
        const int fd = ::open(rutaDe(sal).c_str(), O_RDWR | O_CLOEXEC);
        char c = 0;
        if (fd >= 0 && ::pread(fd, &c, 1, inicio) == 1) {
            c = char(c ^ 0x5a);
            (void)!::pwrite(fd, &c, 1, inicio);
        }
        if (fd >= 0)
            ::close(fd);
    }
    return r;
}

} // extern "C"
