#include "partition/particionado.h"

#include "hash/motor_hash.h"
#include "system/archivos.h"

#include <mutex>
#include <thread>
#include <vector>

int CantidadParticiones(qint64 F, qint64 S, qint64& L)
{
    if (F < 1)
        return 0;
    if (S < 1)
        return kMaximoParticiones + 1;
    const qint64 n = (F + S - 1) / S;
    if (n > kMaximoParticiones)
        return kMaximoParticiones + 1;
    L = F - (n - 1) * S;
    return int(n);
}

QString MensajeParticiones(int N, qint64 S, qint64 L)
{
    const QString fin = QStringLiteral("\r\n");
    return QStringLiteral("Este programa generará ") + QString::number(N - 1) + QStringLiteral(" particiones de ")
        + QString::number(S) + QStringLiteral(" Bytes de tamaño y una de ") + QString::number(L)
        + QStringLiteral(" Bytes.") + fin + fin
        + QStringLiteral("No obstante la publicación de cada partición estará supeditada al tamaño máximo establecido para el mismo ")
        + fin + QStringLiteral("en el sistema de Intercambio.") + fin + fin
        + QStringLiteral("Antes de generar las particiones y generarles el código Hash, verifique que el formato del nombre del archivo esté ")
        + fin
        + QStringLiteral("correcto de acuerdo a lo definido para el ítem que desea publicar, ya que las mismas reglas de nombrado se aplicarán ")
        + fin + QStringLiteral("a los nombres de las particiones, a excepción de las extensiones de las mismas.");
}

QString TresDigitos(int numero)
{
    return QStringLiteral("%1").arg(numero, 3, 10, QLatin1Char('0'));
}

namespace {
QString sufijo(int i, int N)
{
    return QStringLiteral(".part") + TresDigitos(i) + QLatin1Char('.') + TresDigitos(N) + QStringLiteral(".vesk");
}
} // namespace

QString NombreFinalParticion(const PartesNombre& partes, const QString& hash, int i, int N)
{
    return NombreSellado(partes, hash) + sufijo(i, N);
}

RechazoParticion RevisoNombreParticion(const QString& origen)
{
    const QString nombre = NombreDeRuta(origen);
    if (nombre.isEmpty())
        return RechazoParticion::SinArchivo;
    return SeparoNombre(nombre) ? RechazoParticion::Ninguno : RechazoParticion::SinPunto;
}

RechazoParticion PlanificoParticion(const QString& origen, qint64 F, qint64 S, PlanParticion& plan)
{
    plan = {};
    plan.origen = origen;
    plan.nombre = NombreDeRuta(origen);
    plan.F = F;
    plan.S = S;
    if (const RechazoParticion r = RevisoNombreParticion(origen); r != RechazoParticion::Ninguno)
        return r;
    plan.partes = *SeparoNombre(plan.nombre);
    plan.N = CantidadParticiones(F, S, plan.L);
    if (plan.N > kMaximoParticiones)
        return RechazoParticion::Demasiadas;
    if (F < 1)
        return RechazoParticion::Vacio;
    if (plan.N <= 1)
        return RechazoParticion::MuyChico;
    return RechazoParticion::Ninguno;
}

QString TextoRechazo(RechazoParticion rechazo)
{
    switch (rechazo) {
    case RechazoParticion::SinArchivo: return QStringLiteral("La ruta especificada no contiene ningún archivo");
    case RechazoParticion::SinPunto: return QStringLiteral("Formato de archivo inválido");
    case RechazoParticion::Demasiadas: return QStringLiteral("El tamaño ingresado genera más particiones de las permitidas (327)");
    case RechazoParticion::Vacio: return QStringLiteral("El archivo seleccionado está vacío: no hay nada que particionar.");
    case RechazoParticion::MuyChico:
    case RechazoParticion::Ninguno:
        break;
    }
    return QStringLiteral("El tamaño del archivo seleccionado es menor al necesario para ser particionado, en este caso debe")
        + QStringLiteral("\r\n") + QStringLiteral("Ingresar por la Opción \"Código Hash \" del Menú principal");
}

QString TextoFallaParticion(const Falla& falla)
{
    if (falla.tipo == TipoFalla::YaExiste)
        return QStringLiteral("Ya existe un Archivo con ese mismo nombre en el Directorio indicado.");
    if (falla.tipo == TipoFalla::Cancelado)
        return QStringLiteral("Generación de particiones cancelada por el usuario: no se guardó ninguna partición.");
    return falla.descripcion;
}

namespace {

// Shared by the two partition workers.
struct Corrida {
    const PlanParticion& plan;
    const QString& carpeta;
    Progreso* progreso;
    std::mutex m;
    int siguiente = 1; // next partition to start
    std::vector<Temporal> temporales;
    std::vector<QString> hashes;
    Estado falla;

    Corrida(const PlanParticion& p, const QString& c, Progreso* pr)
        : plan(p), carpeta(c), progreso(pr), temporales(size_t(p.N) + 1), hashes(size_t(p.N) + 1)
    {
    }

    qint64 tamanoDe(int i) const { return i == plan.N ? plan.L : plan.S; }

    void fallo(const Falla& f)
    {
        std::lock_guard l(m);
        if (!falla)
            falla = f;
    }
    bool debeDetenerse()
    {
        if (progreso && progreso->cancelado())
            fallo(Falla::cancelada());
        std::lock_guard l(m);
        return falla.has_value();
    }
};

// Reads partition i once from the source, writes it and hashes the same bytes.
Resultado<QString> escriboParticion(Corrida& c, ArchivoCrudo& fuente, Temporal& salida, int i, std::vector<char>& bloque)
{
    Md5 md5;
    qint64 posicion = qint64(i - 1) * c.plan.S;
    qint64 resta = c.tamanoDe(i);
    while (resta > 0) {
        if (c.debeDetenerse())
            return Falla::cancelada();
        const qint64 n = std::min<qint64>(resta, qint64(bloque.size()));
        if (auto f = fuente.leoExacto(bloque.data(), n, posicion))
            return *f;
        if (auto f = salida.archivo().escribo(bloque.data(), n))
            return *f;
        md5.agrego(bloque.data(), size_t(n));
        posicion += n;
        resta -= n;
        if (c.progreso)
            c.progreso->sumo(n);
    }
    if (auto f = salida.termino())
        return *f;
    return md5.texto();
}

void trabajador(Corrida& c)
{
    auto fuente = ArchivoCrudo::abro(c.plan.origen, ArchivoCrudo::Modo::Lectura);
    if (!fuente) {
        c.fallo(fuente.falla());
        return;
    }
    std::vector<char> bloque(static_cast<size_t>(kBloque));
    for (;;) {
        int i;
        {
            std::lock_guard l(c.m);
            if (c.falla || c.siguiente > c.plan.N)
                return;
            i = c.siguiente++;
        }
        if (c.progreso)
            c.progreso->paso.store(i);
        auto temporal = Temporal::creo(c.carpeta);
        if (!temporal) {
            c.fallo(temporal.falla());
            return;
        }
        auto hash = escriboParticion(c, fuente.valor(), temporal.valor(), i, bloque);
        std::lock_guard l(c.m);
        if (!hash) {
            if (!c.falla)
                c.falla = hash.falla();
            return;
        }
        c.hashes[size_t(i)] = hash.valor();
        c.temporales[size_t(i)] = std::move(temporal.valor());
    }
}

} // namespace

ResultadoParticion GeneroParticiones(const PlanParticion& plan, const QString& carpeta, bool reemplazar, Progreso* progreso)
{
    ResultadoParticion r;
    if (progreso)
        progreso->total.store(plan.F);
    auto cerrojo = CerrojoCarpeta::tomo(carpeta);
    if (!cerrojo) {
        r.falla = cerrojo.falla();
        return r;
    }
    LimpioTemporalesHuerfanos(carpeta);
    const auto antes = IdentidadDe(plan.origen);
    if (!antes) {
        r.falla = antes.falla();
        return r;
    }
    Corrida c(plan, carpeta, progreso);
    {
        std::vector<std::thread> hilos;
        const int cantidad = std::max(1, std::min<int>(2, int(std::thread::hardware_concurrency())));
        for (int k = 0; k < cantidad; ++k)
            hilos.emplace_back(trabajador, std::ref(c));
        for (auto& h : hilos)
            h.join();
    }
    // The set is cut from one content: a source that changed meanwhile gives none.
    const auto despues = IdentidadDe(plan.origen);
    if (!c.falla && (!despues || !(despues.valor() == antes.valor()) || antes.valor().tamano != plan.F))
        c.falla = Falla::de(TipoFalla::Cambiado, QStringLiteral("El archivo cambió mientras se particionaba: ") + plan.origen);
    if (!c.falla && progreso && progreso->cancelado())
        c.falla = Falla::cancelada();
    if (c.falla) {
        r.falla = c.falla; // the temporaries go with the run
        return r;
    }
    for (int i = 1; i <= plan.N; ++i) {
        const QString ruta = UnoRuta(carpeta, NombreFinalParticion(plan.partes, c.hashes[size_t(i)], i, plan.N));
        if (auto f = c.temporales[size_t(i)].entrego(ruta, reemplazar)) {
            // No half set: what this run delivered goes too.
            for (const QString& entregada : std::as_const(r.finales))
                BorroArchivo(entregada);
            SincronizoCarpeta(carpeta);
            r.finales.clear();
            r.falla = f;
            return r;
        }
        r.finales << ruta;
    }
    return r;
}
