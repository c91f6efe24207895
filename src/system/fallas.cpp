#include "system/fallas.h"

#include <cerrno>

QString DescripcionError(int numero)
{
    switch (numero) {
    case ENOENT: return QStringLiteral("No se encontró el archivo o la carpeta");
    case ENOTDIR: return QStringLiteral("No se encontró la ruta de acceso");
    case EACCES:
    case EPERM: return QStringLiteral("Permiso denegado");
    case EROFS: return QStringLiteral("Permiso denegado: la unidad es de sólo lectura");
    case ENOSPC: return QStringLiteral("Disco lleno");
    case EDQUOT: return QStringLiteral("Disco lleno: se superó la cuota del usuario");
    case EEXIST: return QStringLiteral("Ya existe un archivo con ese nombre");
    case EISDIR: return QStringLiteral("La ruta indicada es una carpeta, no un archivo");
    case EIO: return QStringLiteral("Error de entrada/salida del dispositivo");
    case ENAMETOOLONG: return QStringLiteral("El nombre o la ruta del archivo es demasiado largo");
    case EMFILE:
    case ENFILE: return QStringLiteral("Demasiados archivos abiertos");
    case EXDEV: return QStringLiteral("No se puede mover el archivo a otra unidad");
    case EBUSY: return QStringLiteral("El archivo está en uso");
    case EFBIG: return QStringLiteral("El archivo es demasiado grande para la unidad");
    case EINVAL: return QStringLiteral("Argumento no válido");
    case ENOTEMPTY: return QStringLiteral("La carpeta no está vacía");
    default: return QStringLiteral("Error del sistema número %1").arg(numero);
    }
}

Falla Falla::desdeErrno(int numero, const QString& ruta)
{
    TipoFalla tipo = TipoFalla::Otra;
    if (numero == ENOENT || numero == ENOTDIR)
        tipo = TipoFalla::NoEncontrado;
    else if (numero == EEXIST)
        tipo = TipoFalla::YaExiste;
    QString texto = DescripcionError(numero);
    if (!ruta.isEmpty())
        texto += QStringLiteral(": ") + ruta;
    return {tipo, texto, numero};
}
