// Loaded with LD_PRELOAD into a real terv-cli, it plays a failing disk: the
// reads of the file named TERV_PRUEBA_ARCHIVO from byte TERV_PRUEBA_DESDE on
// fail with EIO. With TERV_PRUEBA_PAUSA (a folder holding the FIFOs "aviso"
// and "sigo") the first such read instead says so through "aviso" and waits
// for a byte on "sigo", then goes on as usual: the run is held mid-file.
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

std::atomic<bool> pausado{false};

using Leo = ssize_t (*)(int, void*, size_t);
using LeoEn = ssize_t (*)(int, void*, size_t, off_t);

Leo leoReal() { return reinterpret_cast<Leo>(dlsym(RTLD_NEXT, "read")); }

bool EsElArchivo(int fd, off_t posicion)
{
    const char* nombre = std::getenv("TERV_PRUEBA_ARCHIVO");
    if (!nombre)
        return false;
    char enlace[64], ruta[4096];
    std::snprintf(enlace, sizeof enlace, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(enlace, ruta, sizeof ruta - 1);
    if (n < 0)
        return false;
    ruta[n] = 0;
    const char* barra = std::strrchr(ruta, '/');
    const char* desde = std::getenv("TERV_PRUEBA_DESDE");
    return std::strcmp(barra ? barra + 1 : ruta, nombre) == 0 && posicion >= (desde ? std::atoll(desde) : 0);
}

void Espero(const char* carpeta)
{
    char ruta[4096], c = 1;
    std::snprintf(ruta, sizeof ruta, "%s/aviso", carpeta);
    if (const int a = open(ruta, O_WRONLY); a >= 0) {
        (void)!write(a, &c, 1);
        close(a);
    }
    std::snprintf(ruta, sizeof ruta, "%s/sigo", carpeta);
    if (const int s = open(ruta, O_RDONLY); s >= 0) {
        (void)!leoReal()(s, &c, 1);
        close(s);
    }
}

// True when the read must fail.
bool Intervengo(int fd, off_t posicion)
{
    if (!EsElArchivo(fd, posicion))
        return false;
    const char* pausa = std::getenv("TERV_PRUEBA_PAUSA");
    if (!pausa) {
        errno = EIO;
        return true;
    }
    if (!pausado.exchange(true))
        Espero(pausa);
    return false;
}

} // namespace

extern "C" {

ssize_t read(int fd, void* destino, size_t n)
{
    if (Intervengo(fd, lseek(fd, 0, SEEK_CUR)))
        return -1;
    return leoReal()(fd, destino, n);
}

ssize_t pread(int fd, void* destino, size_t n, off_t posicion)
{
    if (Intervengo(fd, posicion))
        return -1;
    return reinterpret_cast<LeoEn>(dlsym(RTLD_NEXT, "pread"))(fd, destino, n, posicion);
}

ssize_t pread64(int fd, void* destino, size_t n, off_t posicion)
{
    if (Intervengo(fd, posicion))
        return -1;
    return reinterpret_cast<LeoEn>(dlsym(RTLD_NEXT, "pread64"))(fd, destino, n, posicion);
}
}
