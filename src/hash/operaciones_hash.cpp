#include "hash/operaciones_hash.h"

#include "hash/md5_carriles.h"
#include "hash/motor_hash.h"
#include "hash/nombre_hash.h"
#include "system/archivos.h"

#include <QDir>

namespace {

// Renames ruta to nuevo if the file there is still the one that was read, and
// checks afterwards that nuevo holds it: a file swapped in between the check
// and the rename gets its old name back instead of another file's hash.
Estado renombroSiNoCambio(const QString& ruta, const IdentidadArchivo& leida, const QString& nuevo)
{
    const Falla cambiado = Falla::de(TipoFalla::Cambiado,
                                     QStringLiteral("El archivo cambió mientras se calculaba su código hash; "
                                                    "no se le cambió el nombre: ")
                                         + ruta);
    const auto ahora = IdentidadDe(ruta);
    if (!ahora)
        return ahora.falla();
    if (!(ahora.valor() == leida))
        return cambiado;
    if (auto f = RenombroSinReemplazo(ruta, nuevo))
        return f;
    // The rename itself moves the change time: the rest of the identity tells.
    const auto renombrado = IdentidadDe(nuevo);
    if (renombrado && renombrado.valor().dispositivo == leida.dispositivo && renombrado.valor().nodo == leida.nodo
        && renombrado.valor().tamano == leida.tamano && renombrado.valor().modificadoNs == leida.modificadoNs)
        return std::nullopt;
    RenombroSinReemplazo(nuevo, ruta);
    return cambiado;
}

struct Leido {
    QString hash;
    IdentidadArchivo identidad;
};

// The hash read from an open file, if the file is still the one it was
// before the reading began.
Resultado<Leido> cotejo(const ArchivoCrudo& archivo, const IdentidadArchivo& antes, const Resultado<QString>& hash)
{
    if (!hash)
        return hash.falla();
    const auto despues = archivo.identidad();
    if (!despues || !(despues.valor() == antes))
        return Falla::de(TipoFalla::Cambiado,
                         QStringLiteral("El archivo cambió mientras se calculaba su código hash: ") + archivo.ruta());
    return Leido{hash.valor(), antes};
}

// The hash of a regular file and the identity of what was read.
Resultado<Leido> leoYHasheo(const QString& ruta, Progreso* progreso)
{
    auto archivo = ArchivoCrudo::abro(ruta, ArchivoCrudo::Modo::Lectura);
    if (!archivo)
        return archivo.falla();
    const auto antes = archivo.valor().identidad();
    if (!antes)
        return antes.falla();
    return cotejo(archivo.valor(), antes.valor(), CalculoHash(archivo.valor(), progreso));
}

} // namespace

Resultado<Sellado> EstampoArchivo(const PlanSellado& plan, Progreso* progreso)
{
    const auto partes = SeparoNombre(NombreDeRuta(plan.ruta));
    if (!partes)
        return Falla::de(TipoFalla::ArgumentoInvalido,
                         QStringLiteral("El archivo seleccionado no tiene ninguna extención válida"));
    const auto tamano = TamanoDe(plan.ruta);
    if (!tamano)
        return tamano.falla();
    if (plan.maximoBytes > 0 && tamano.valor() == 0)
        return Falla::de(TipoFalla::Vacio,
                         QStringLiteral("El archivo seleccionado está vacío: no hay contenido al que generarle HASH."));
    if (plan.maximoBytes > 0 && tamano.valor() > plan.maximoBytes)
        return Falla::de(
            TipoFalla::MuyGrande,
            QStringLiteral(
                "El archivo que quiere generar supera el máximo permitido. En este caso debe ingresar por la "
                "Opción \"particionar\" del Menú Principal"));
    if (progreso)
        progreso->total.store(tamano.valor());
    const auto leido = leoYHasheo(plan.ruta, progreso);
    if (!leido)
        return leido.falla();
    const QString nueva = CarpetaDeRuta(plan.ruta) + NombreSellado(*partes, leido.valor().hash);
    if (auto f = renombroSiNoCambio(plan.ruta, leido.valor().identidad, nueva))
        return *f;
    return Sellado{nueva, leido.valor().hash};
}

namespace {

// The name's part of a check: v.estado stays Error without a failure when
// the content is still to be hashed.
Verificacion nombreVerificado(const QString& ruta)
{
    Verificacion v;
    v.ruta = ruta;
    const auto enNombre = ObtengoHashString(NombreDeRuta(ruta));
    if (!enNombre) {
        v.falla = Falla::de(
            TipoFalla::ArgumentoInvalido,
            QStringLiteral("Argumento no válido: el nombre del archivo no tiene extensión (no contiene \".\")"));
        return v;
    }
    if (!enNombre->menError.isEmpty()) {
        v.estado = EstadoHash::SinFormato;
        v.falla = Falla::otra(enNombre->menError);
        return v;
    }
    v.hashNombre = enNombre->strHash;
    return v;
}

bool faltaHash(const Verificacion& v) { return v.estado == EstadoHash::Error && !v.falla; }

void comparo(Verificacion& v, const Resultado<Leido>& leido)
{
    if (!leido) {
        v.falla = leido.falla();
        return;
    }
    v.hashArchivo = leido.valor().hash;
    v.leido = leido.valor().identidad;
    v.estado = v.hashArchivo == v.hashNombre ? EstadoHash::Correcto : EstadoHash::Invalido;
}

} // namespace

void CambioHashArchivo(Verificacion& v)
{
    const auto enNombre = ObtengoHashString(NombreDeRuta(v.ruta));
    if (v.estado != EstadoHash::Invalido || !enNombre)
        return;
    const QString nueva =
        CarpetaDeRuta(v.ruta) + enNombre->nombreArc + QLatin1Char('_') + v.hashArchivo + enNombre->ExtenArc;
    if (auto f = renombroSiNoCambio(v.ruta, v.leido, nueva)) {
        v.falla = f;
        return;
    }
    v.estado = EstadoHash::Corregido;
    v.nueva = nueva;
}

Verificacion CorroboroArchivo(const PlanVerificacion& plan, Progreso* progreso)
{
    // One file in lanes is hashed as one stream.
    return CorroboroArchivos({plan.ruta}, plan.corrijo, progreso).front();
}

std::vector<Verificacion> CorroboroArchivos(const QStringList& rutas,
                                            const std::function<bool(const Verificacion&)>& corrijo, Progreso* progreso,
                                            const std::function<void(qsizetype, const Verificacion&)>& alComprobar)
{
    if (progreso) {
        qint64 total = 0;
        for (const QString& r : rutas)
            total += TamanoDe(r).valor_o(0);
        progreso->total.store(total);
    }
    // The names first; then every stamped file's content, hashed together in
    // lanes; the corrections afterwards, in order.
    std::vector<Verificacion> hechas;
    std::vector<qsizetype> aHashear;
    for (const QString& ruta : rutas) {
        hechas.push_back(nombreVerificado(ruta));
        if (faltaHash(hechas.back()))
            aHashear.push_back(qsizetype(hechas.size()) - 1);
        else if (alComprobar)
            alComprobar(qsizetype(hechas.size()) - 1, hechas.back());
    }
    std::vector<ArchivoCrudo> abiertos(aHashear.size());
    std::vector<IdentidadArchivo> antes(aHashear.size());
    CalculoHashes(
        qsizetype(aHashear.size()),
        [&](qsizetype k) -> Resultado<ArchivoCrudo*> {
            auto archivo = ArchivoCrudo::abro(rutas[aHashear[size_t(k)]], ArchivoCrudo::Modo::Lectura);
            if (!archivo)
                return archivo.falla();
            const auto identidad = archivo.valor().identidad();
            if (!identidad)
                return identidad.falla();
            antes[size_t(k)] = identidad.valor();
            abiertos[size_t(k)] = std::move(archivo.valor());
            return &abiertos[size_t(k)];
        },
        [&](qsizetype k, Resultado<QString> hash) {
            Verificacion& v = hechas[size_t(aHashear[size_t(k)])];
            if (hash)
                comparo(v, cotejo(abiertos[size_t(k)], antes[size_t(k)], hash));
            else
                v.falla = hash.falla();
            abiertos[size_t(k)] = ArchivoCrudo();
            if (alComprobar)
                alComprobar(aHashear[size_t(k)], v);
        },
        progreso);
    for (Verificacion& v : hechas)
        if (v.estado == EstadoHash::Invalido && corrijo && corrijo(v))
            CambioHashArchivo(v);
    return hechas;
}

QStringList ArchivosConHash(const QString& carpeta)
{
    QStringList rutas;
    for (const QString& n :
         QDir(carpeta).entryList(QDir::Files | QDir::Hidden, QDir::Name) + NombresIlegibles(carpeta)) {
        const auto h = ObtengoHashString(n);
        if (h && h->menError.isEmpty())
            rutas << UnoRuta(carpeta, n);
    }
    rutas.removeDuplicates();
    return rutas;
}

QString TextoFallaEstampado(const Falla& falla)
{
    if (falla.tipo == TipoFalla::NoEncontrado)
        return TextoArchivoNoEncontrado();
    return falla.descripcion;
}
