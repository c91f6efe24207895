#include "partition/particionado.h"

#include "hash/md5_carriles.h"
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
        + QStringLiteral(
               "No obstante la publicación de cada partición estará supeditada al tamaño máximo establecido para el mismo ")
        + fin + QStringLiteral("en el sistema de Intercambio.") + fin + fin
        + QStringLiteral(
               "Antes de generar las particiones y generarles el código Hash, verifique que el formato del nombre del archivo esté ")
        + fin
        + QStringLiteral(
               "correcto de acuerdo a lo definido para el ítem que desea publicar, ya que las mismas reglas de nombrado se aplicarán ")
        + fin + QStringLiteral("a los nombres de las particiones, a excepción de las extensiones de las mismas.");
}

QString TresDigitos(int numero) { return QStringLiteral("%1").arg(numero, 3, 10, QLatin1Char('0')); }

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
    case RechazoParticion::Demasiadas:
        return QStringLiteral("El tamaño ingresado genera más particiones de las permitidas (327)");
    case RechazoParticion::Vacio:
        return QStringLiteral("El archivo seleccionado está vacío: no hay nada que particionar.");
    case RechazoParticion::MuyChico:
    case RechazoParticion::Ninguno: break;
    }
    return QStringLiteral(
               "El tamaño del archivo seleccionado es menor al necesario para ser particionado, en este caso debe")
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
    {}

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

// A worker holds up to one partition per lane: each round reads a piece of
// every one from the source, writes it, and hashes all the pieces together.
void trabajador(Corrida& c, int hilos)
{
    auto fuente = ArchivoCrudo::abro(c.plan.origen, ArchivoCrudo::Modo::Lectura);
    if (!fuente) {
        c.fallo(fuente.falla());
        return;
    }
    const auto nucleo = ElijoNucleoMd5();
    if (!nucleo) {
        c.fallo(nucleo.falla());
        return;
    }
    Md5Carriles motor(nucleo.valor());
    const size_t carriles = size_t(std::min(CarrilesDe(nucleo.valor()), (c.plan.N + hilos - 1) / hilos));
    const qint64 pieza = PiezaPorCarril(int(carriles));
    struct EnCurso {
        int i;
        Temporal salida;
        int flujo;
        qint64 hecho;
        std::vector<char> datos;
    };
    std::vector<EnCurso> activas;
    std::vector<Md5Carriles::Trozo> trozos;
    for (;;) {
        while (activas.size() < carriles) {
            int i;
            {
                std::lock_guard l(c.m);
                if (c.falla || c.siguiente > c.plan.N)
                    break;
                i = c.siguiente++;
            }
            auto temporal = Temporal::creo(c.carpeta);
            if (!temporal) {
                c.fallo(temporal.falla());
                return;
            }
            activas.push_back({i, std::move(temporal.valor()), motor.abro(), 0, std::vector<char>(size_t(pieza))});
        }
        if (activas.empty() || c.debeDetenerse())
            return; // unfinished temporaries go with their objects
        if (c.progreso)
            c.progreso->paso.store(activas.front().i);
        trozos.clear();
        for (EnCurso& a : activas) {
            const qint64 n = std::min(pieza, c.tamanoDe(a.i) - a.hecho);
            Estado f = fuente.valor().leoExacto(a.datos.data(), n, qint64(a.i - 1) * c.plan.S + a.hecho);
            if (!f)
                f = a.salida.archivo().escribo(a.datos.data(), n);
            if (f) {
                c.fallo(*f);
                return;
            }
            // The disk writes while the rest is cut: the flush at the end waits little.
            a.salida.archivo().adelantoEscritura(a.hecho, n);
            trozos.push_back({a.flujo, a.datos.data(), size_t(n)});
            a.hecho += n;
            if (c.progreso)
                c.progreso->sumo(n);
        }
        motor.agrego(trozos);
        for (auto a = activas.begin(); a != activas.end();) {
            if (a->hecho < c.tamanoDe(a->i)) {
                ++a;
                continue;
            }
            if (auto f = a->salida.termino()) {
                c.fallo(*f);
                return;
            }
            const QString hash = motor.termino(a->flujo);
            {
                std::lock_guard l(c.m);
                c.hashes[size_t(a->i)] = hash;
                c.temporales[size_t(a->i)] = std::move(a->salida);
            }
            a = activas.erase(a);
        }
    }
}

} // namespace

ResultadoParticion GeneroParticiones(const PlanParticion& plan, const QString& carpeta, bool reemplazar,
                                     Progreso* progreso)
{
    ResultadoParticion r;
    if (progreso)
        progreso->total.store(plan.F);
    auto cerrojo = CerrojoCarpeta::tomo(carpeta);
    if (!cerrojo) {
        r.falla = cerrojo.falla();
        return r;
    }
    const auto antes = IdentidadDe(plan.origen);
    if (!antes) {
        r.falla = antes.falla();
        return r;
    }
    LimpioTemporalesHuerfanos(carpeta, {antes.valor()});
    Corrida c(plan, carpeta, progreso);
    {
        std::vector<std::thread> hilos;
        const int cantidad = std::max(1, std::min<int>(2, int(std::thread::hardware_concurrency())));
        for (int k = 0; k < cantidad; ++k)
            hilos.emplace_back(trabajador, std::ref(c), cantidad);
        for (auto& h : hilos)
            h.join();
    }
    // The set is cut from one content: a source that changed meanwhile gives none.
    const auto despues = IdentidadDe(plan.origen);
    if (!c.falla && (!despues || !(despues.valor() == antes.valor()) || antes.valor().tamano != plan.F))
        c.falla = Falla::de(TipoFalla::Cambiado,
                            QStringLiteral("El archivo cambió mientras se particionaba: ") + plan.origen);
    if (!c.falla && progreso && progreso->cancelado())
        c.falla = Falla::cancelada();
    if (c.falla) {
        r.falla = c.falla; // the temporaries go with the run
        return r;
    }
    // No half set: a partition that cannot take its name takes the others with
    // it. A name already holding that very partition (an earlier run of the
    // same split, complete or interrupted) is the partition: kept, never removed.
    QStringList finales;
    for (int i = 1; i <= plan.N; ++i)
        finales << UnoRuta(carpeta, NombreFinalParticion(plan.partes, c.hashes[size_t(i)], i, plan.N));
    std::vector<Temporal> partes(std::make_move_iterator(c.temporales.begin() + 1),
                                 std::make_move_iterator(c.temporales.end()));
    auto entregadas = EntregoTodos(partes, finales, reemplazar, [&](qsizetype k, const QString& destino) {
        return ContieneHash(destino, c.tamanoDe(int(k) + 1), c.hashes[size_t(k) + 1]);
    });
    if (entregadas)
        r.finales = entregadas.valor();
    else
        r.falla = entregadas.falla();
    return r;
}
