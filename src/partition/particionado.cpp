#include "partition/particionado.h"

#include "hash/md5_carriles.h"
#include "hash/motor_hash.h"
#include "system/archivos.h"

#include <condition_variable>
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

QString NombreTrabajoParticion(const QString& nombre, int i, int N)
{
    return nombre + sufijo(i, N);
}

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
    if (plan.N <= 1)
        return RechazoParticion::MuyChico;
    return RechazoParticion::Ninguno;
}

Mensaje MensajeRechazo(RechazoParticion rechazo)
{
    switch (rechazo) {
    case RechazoParticion::SinArchivo:
        return {QStringLiteral("Error"), QStringLiteral("La ruta especificada no contiene ningún archivo"), Icono::Informacion};
    case RechazoParticion::SinPunto:
        return {QStringLiteral("ERROR!"), QStringLiteral("Formato de archivo inválido"), Icono::Exclamacion};
    case RechazoParticion::Demasiadas:
        return {QStringLiteral("Error - Demasiadas Particiones"),
                QStringLiteral("El tamaño ingresado genera más particiones de las permitidas (327)"), Icono::Ninguno};
    case RechazoParticion::MuyChico:
    case RechazoParticion::Ninguno:
        break;
    }
    return {QStringLiteral("Incompatibilidad de Tamaños"),
            QStringLiteral("El tamaño del archivo seleccionado es menor al necesario para ser particionado, en este caso debe")
                + QStringLiteral("\r\n") + QStringLiteral("Ingresar por la Opción \"Código Hash \" del Menú principal"),
            Icono::Informacion};
}

Mensaje MensajeConfirmacion(const PlanParticion& plan)
{
    return {QStringLiteral("Particionador de Archivos"), MensajeParticiones(plan.N, plan.S, plan.L), Icono::Informacion,
            Botones::AceptarCancelar, Respuesta::Aceptar};
}

Mensaje MensajeParticionesGeneradas()
{
    return {QStringLiteral("Partición de archivo Correcta"), QStringLiteral("Las particiones han sido generadas exitosamente"),
            Icono::Informacion};
}

Mensaje ManejoErrores(const Falla& falla)
{
    if (falla.tipo == TipoFalla::YaExiste)
        return {QStringLiteral("ERROR"), QStringLiteral("Ya existe un Archivo con ese mismo nombre en el Directorio indicado."),
                Icono::Exclamacion};
    return {QStringLiteral("ERROR"),
            QStringLiteral("Se detectó un error y la aplicación se cerrará.") + QStringLiteral("\r\n") + falla.descripcion,
            Icono::Exclamacion};
}

namespace {

// Shared by the two partition workers and the thread that renames in order.
struct Corrida {
    const PlanParticion& plan;
    const QString& carpeta;
    Progreso* progreso;
    std::mutex m;
    std::condition_variable cv;
    int siguiente = 1;                 // next partition to start
    std::vector<int> estado;           // 0 pending, 1 in work, 2 written, 3 failed
    std::vector<QString> hashes;
    bool detener = false;
    Estado falla;

    Corrida(const PlanParticion& p, const QString& c, Progreso* pr)
        : plan(p), carpeta(c), progreso(pr), estado(size_t(p.N) + 1, 0), hashes(size_t(p.N) + 1)
    {
    }

    QString rutaTrabajo(int i) const { return UnoRuta(carpeta, NombreTrabajoParticion(plan.nombre, i, plan.N)); }
    qint64 tamanoDe(int i) const { return i == plan.N ? plan.L : plan.S; }

    void fallo(const Falla& f)
    {
        std::lock_guard l(m);
        if (!falla)
            falla = f;
        detener = true;
        cv.notify_all();
    }
    bool debeDetenerse()
    {
        if (progreso && progreso->cancelado())
            fallo(Falla::cancelada());
        std::lock_guard l(m);
        return detener;
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
    // Four blocks of memory per worker, whatever the partition size.
    const qint64 pieza = std::max<qint64>(64 * 1024, kBloque / qint64(carriles) * 4);
    struct EnCurso {
        int i;
        ArchivoCrudo salida;
        int flujo;
        qint64 hecho;
        std::vector<char> datos;
    };
    std::vector<EnCurso> activas;
    std::vector<Md5Carriles::Trozo> trozos;
    auto fallan = [&](const Falla& f) {
        std::lock_guard l(c.m);
        for (const EnCurso& a : activas)
            c.estado[size_t(a.i)] = 3;
        if (!c.falla)
            c.falla = f;
        c.detener = true;
        c.cv.notify_all();
    };
    for (;;) {
        while (activas.size() < carriles) {
            int i;
            {
                std::lock_guard l(c.m);
                if (c.detener || c.siguiente > c.plan.N)
                    break;
                i = c.siguiente++;
                c.estado[size_t(i)] = 1;
            }
            auto salida = ArchivoCrudo::abro(c.rutaTrabajo(i), ArchivoCrudo::Modo::CreoReemplazando);
            activas.push_back({i, ArchivoCrudo(), motor.abro(), 0, {}});
            if (!salida) {
                fallan(salida.falla());
                return;
            }
            activas.back().salida = std::move(salida.valor());
            activas.back().datos.resize(size_t(pieza));
        }
        if (activas.empty())
            return;
        if (c.debeDetenerse()) {
            fallan(Falla{TipoFalla::Cancelado, QString(), 0});
            return;
        }
        if (c.progreso)
            c.progreso->paso.store(activas.front().i);
        trozos.clear();
        for (EnCurso& a : activas) {
            const qint64 n = std::min(pieza, c.tamanoDe(a.i) - a.hecho);
            Estado f = fuente.valor().leoExacto(a.datos.data(), n, qint64(a.i - 1) * c.plan.S + a.hecho);
            if (!f)
                f = a.salida.escribo(a.datos.data(), n);
            if (f) {
                fallan(*f);
                return;
            }
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
            if (auto f = a->salida.cierro()) {
                fallan(*f);
                return;
            }
            const QString hash = motor.termino(a->flujo);
            {
                std::lock_guard l(c.m);
                c.hashes[size_t(a->i)] = hash;
                c.estado[size_t(a->i)] = 2;
                c.cv.notify_all();
            }
            a = activas.erase(a);
        }
    }
}

} // namespace

ResultadoParticion GeneroParticiones(const PlanParticion& plan, const QString& carpeta, const QString& entregaEn,
                                     Progreso* progreso)
{
    ResultadoParticion r;
    if (progreso)
        progreso->total.store(plan.F);
    Corrida c(plan, carpeta, progreso);
    std::vector<std::thread> hilos;
    const int cantidad = std::max(1, std::min<int>(2, int(std::thread::hardware_concurrency())));
    for (int k = 0; k < cantidad; ++k)
        hilos.emplace_back(trabajador, std::ref(c), cantidad);

    for (int i = 1; i <= plan.N; ++i) {
        {
            std::unique_lock l(c.m);
            c.cv.wait(l, [&] { return c.estado[size_t(i)] >= 2 || (c.detener && c.estado[size_t(i)] != 1); });
            if (c.estado[size_t(i)] != 2)
                break;
        }
        const QString final = NombreFinalParticion(plan.partes, c.hashes[size_t(i)], i, plan.N);
        QString ruta = UnoRuta(carpeta, final);
        Estado f = RenombroSinReemplazo(c.rutaTrabajo(i), ruta);
        if (!f && !entregaEn.isEmpty()) {
            const QString entregada = UnoRuta(entregaEn, final);
            f = MuevoArchivo(ruta, entregada, true);
            ruta = entregada;
        }
        if (f) {
            c.fallo(*f);
            break;
        }
        r.finales << ruta;
        ++r.terminadas;
    }
    for (auto& h : hilos)
        h.join();
    // No unfinished file is left behind: every partition without its final
    // name loses its working-name file.
    for (int i = r.terminadas + 1; i <= plan.N; ++i)
        if (c.estado[size_t(i)] != 0)
            BorroArchivo(c.rutaTrabajo(i));
    if (r.terminadas < plan.N)
        r.falla = c.falla ? *c.falla : Falla::otra(QStringLiteral("La partición no se completó"));
    return r;
}
