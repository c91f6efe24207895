#include "hash/nombre_hash.h"

#include "system/archivos.h"

std::optional<PartesNombre> SeparoNombre(const QString& nombre)
{
    const qsizetype punto = nombre.indexOf(QLatin1Char('.'));
    if (punto < 0)
        return std::nullopt;
    PartesNombre p;
    p.base = nombre.left(punto);
    p.ext = nombre.mid(punto);
    p.sep = p.base.endsWith(QLatin1Char('_')) ? QString() : QStringLiteral("_");
    return p;
}

QString NombreSellado(const PartesNombre& partes, const QString& hash)
{
    return partes.base + partes.sep + hash + partes.ext;
}

std::optional<HashEnNombre> ObtengoHashString(const QString& nomArc)
{
    const qsizetype punto = nomArc.indexOf(QLatin1Char('.'));
    if (punto < 0)
        return std::nullopt;
    const QString cabeza = nomArc.left(punto);
    HashEnNombre h;
    h.strHash = cabeza.right(32);
    if (h.strHash.size() < 32) {
        h.menError = TextoSinFormatoHash();
        return h;
    }
    h.conFormato = true;
    h.nombreArc = cabeza.left(cabeza.size() - 32);
    if (h.nombreArc.endsWith(QLatin1Char('_')))
        h.nombreArc.chop(1);
    h.ExtenArc = nomArc.mid(punto);
    return h;
}

NombreyExtension ObtengoNombreyExtension(const QString& ruta)
{
    NombreyExtension r;
    r.nombre = NombreDeRuta(ruta);
    r.extension = r.nombre.right(3);
    return r;
}

bool NoEsZip(const QString& ruta) { return ObtengoNombreyExtension(ruta).extension != QLatin1String("zip"); }

QString TextoNoEsZip(const QString& nombre)
{
    return QStringLiteral("El archivo seleccionado: ") + nombre
        + QStringLiteral(", no corresponde a un archivo con extensión zip, que es la extensión estándar para operar "
                         "archivos en el sistema de Intercambio de Información.")
        + QStringLiteral("Si está seguro que la extensión es correcta puede continuar. Ante cualquier duda le "
                         "sugerimos consultar el formato de nombre de archivo a publicar.");
}
