#include "partition/particionado.h"

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

// Reads partition i once from the source, writes it and hashes the same bytes.
Resultado<QString> escriboParticion(Corrida& c, ArchivoCrudo& fuente, int i, std::vector<char>& bloque)
{
    auto salida = ArchivoCrudo::abro(c.rutaTrabajo(i), ArchivoCrudo::Modo::CreoReemplazando);
    if (!salida)
        return salida.falla();
    Md5 md5;
    qint64 posicion = qint64(i - 1) * c.plan.S;
    qint64 resta = c.tamanoDe(i);
    while (resta > 0) {
        if (c.debeDetenerse())
            return Falla{TipoFalla::Cancelado, QString(), 0};
        const qint64 n = std::min<qint64>(resta, qint64(bloque.size()));
        if (auto f = fuente.leoExacto(bloque.data(), n, posicion))
            return *f;
        if (auto f = salida.valor().escribo(bloque.data(), n))
            return *f;
        md5.agrego(bloque.data(), size_t(n));
        posicion += n;
        resta -= n;
        if (c.progreso)
            c.progreso->sumo(n);
    }
    if (auto f = salida.valor().cierro())
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
            if (c.detener || c.siguiente > c.plan.N)
                return;
            i = c.siguiente++;
            c.estado[size_t(i)] = 1;
        }
        if (c.progreso)
            c.progreso->paso.store(i);
        auto hash = escriboParticion(c, fuente.valor(), i, bloque);
        std::lock_guard l(c.m);
        if (hash) {
            c.hashes[size_t(i)] = hash.valor();
            c.estado[size_t(i)] = 2;
        } else {
            c.estado[size_t(i)] = 3;
            if (!c.falla)
                c.falla = hash.falla();
            c.detener = true;
        }
        c.cv.notify_all();
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
        hilos.emplace_back(trabajador, std::ref(c));

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
