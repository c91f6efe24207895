#include "app/pantallas/arranque.h"

#include <cstdio>
#include <cstring>

namespace {

// Answered before any window exists, so that they work without a display.
constexpr const char* kUso = "Uso: terv [--sellar | --comprobar | --unir | --comprimir] [--] [ARCHIVO...]\n"
                             "Utilitario para intercambio de información: abre el menú principal o, con\n"
                             "archivos, la pantalla que corresponde ya cargada.\n"
                             "\n"
                             "  --sellar       abre la pantalla de código hash con el archivo\n"
                             "  --comprobar    abre la comprobación de hash con el archivo\n"
                             "  --unir         abre la unión de particiones con la partición\n"
                             "  --comprimir    abre la compresión con los archivos en la lista\n"
                             "  --             lo que sigue son archivos, aunque empiecen con \"-\"\n"
                             "  -h, --help     muestra esta ayuda y termina\n"
                             "  -v, --version  muestra la versión y termina\n"
                             "\n"
                             "Sin ventana, las mismas tareas: terv-cli --help.\n";

bool EsModo(const char* a)
{
    for (const char* modo : {"--sellar", "--comprobar", "--unir", "--comprimir"})
        if (std::strcmp(a, modo) == 0)
            return true;
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "--") == 0)
            break;
        if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
            std::fputs(kUso, stdout);
            return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
        }
        if (std::strcmp(a, "--version") == 0 || std::strcmp(a, "-v") == 0) {
            std::printf("terv %s (Versión %d.%d Release %d)\n", TERV_VERSION_PAQUETE, TERV_VERSION_MAYOR,
                        TERV_VERSION_MENOR, TERV_RELEASE);
            return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
        }
        if (a[0] == '-' && a[1] != '\0' && !EsModo(a)) {
            std::fprintf(stderr, "terv: opción desconocida: %s\n%s", a,
                         "Pruebe «terv --help»; un archivo cuyo nombre empieza con \"-\" va después de \"--\".\n");
            return 2;
        }
    }
    return ArrancoTerv(argc, argv);
}
