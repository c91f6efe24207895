#include "join/union.h"

#include "hash/md5_carriles.h"
#include "hash/motor_hash.h"
#include "partition/particionado.h"
#include "system/archivos.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

std::optional<NombreParticion> AnalizoNombreParticion(const QString& nombre)
{
    // The literal parts in either case, and the hash is 32 hexadecimal characters.
    static const QRegularExpression forma(
        QStringLiteral(R"(^([^.]+)([0-9A-Fa-f]{32})(\.[^/]*)\.(?i:part)(\d{3})\.(\d{3})\.(?i:vesk)\z)"));
    const auto m = forma.match(nombre);
    if (!m.hasMatch())
        return std::nullopt;
    NombreParticion p;
    p.cabeza = m.captured(1);
    p.hash = m.captured(2);
    p.extension = m.captured(3);
    p.numero = m.captured(4);
    p.total = m.captured(5);
    p.valorNumero = p.numero.toInt();
    p.valorTotal = p.total.toInt();
    if (p.valorNumero < 1) // there is no partition 000
        return std::nullopt;
    return p;
}

bool MismoJuego(const NombreParticion& seleccionada, const QString& nombre)
{
    const auto p = AnalizoNombreParticion(nombre);
    return p && p->cabeza == seleccionada.cabeza && p->extension == seleccionada.extension
        && p->total == seleccionada.total;
}

namespace {

// Every name in the folder, links, folders and other non-files included.
QStringList nombresDe(const QString& carpeta)
{
    return QDir(carpeta).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                   QDir::Name | QDir::IgnoreCase);
}

} // namespace

QStringList ListoParticiones(const QString& carpeta)
{
    QStringList lista;
    for (const QString& n : nombresDe(carpeta))
        if (n.endsWith(QStringLiteral(".vesk"), Qt::CaseInsensitive))
            lista << n;
    return lista;
}

bool CorroboroCantidadArchivos(const QStringList& lista)
{
    if (lista.isEmpty())
        return false;
    const auto p = AnalizoNombreParticion(lista.first());
    return p && p->valorTotal <= lista.size();
}

bool Corroboro_Linea(EstadoUnion& e, const QString& Linea)
{
    if (e.ParticionEsperada < 2)
        e.ParticionEsperada = 1;
    const auto p = AnalizoNombreParticion(Linea);
    if (p && p->numero == TresDigitos(e.ParticionEsperada)) {
        ++e.ParticionEsperada;
        ++e.ParticionesOrdenadas;
        return true;
    }
    return false;
}

Ordenamiento OrdenoParticiones(const QStringList& candidatos)
{
    Ordenamiento o;
    EstadoUnion e;
    QList<bool> aceptado(candidatos.size(), false);
    while (e.ParticionesOrdenadas < candidatos.size()) {
        bool alguno = false;
        for (qsizetype i = 0; i < candidatos.size(); ++i) {
            if (!aceptado[i] && Corroboro_Linea(e, candidatos[i])) {
                aceptado[i] = true;
                alguno = true;
                o.ordenadas << candidatos[i];
            }
        }
        if (alguno)
            continue;
        // A pass that accepts nothing would never end: say why.
        o.motivo = Ordenamiento::Falta;
        o.numero = std::max(1, e.ParticionEsperada);
        for (qsizetype i = 0; i < candidatos.size(); ++i) {
            const auto p = AnalizoNombreParticion(candidatos[i]);
            if (!aceptado[i] && p && p->valorNumero < e.ParticionEsperada) {
                o.motivo = Ordenamiento::Repetida;
                o.numero = p->valorNumero;
                break;
            }
        }
        return o;
    }
    return o;
}

QString ObtengoNombreFinal(const QString& primeraLinea)
{
    const auto p = AnalizoNombreParticion(primeraLinea);
    if (!p)
        return {};
    return p->cabeza.left(p->cabeza.size() - 1) + p->extension;
}

QStringList LineasBatUnion(const QString& carpetaOrigen, const QString& nombreFinal, const QStringList& lista)
{
    const QString Q = QStringLiteral("\"");
    const QString si = QStringLiteral("IF %ERRORLEVEL% NEQ 0 GOTO labelE");
    QStringList l{QStringLiteral("@echo off")};
    for (qsizetype k = 0; k < lista.size(); ++k) {
        l << si;
        const QString parte = Q + UnoRuta(carpetaOrigen, lista[k]) + Q;
        if (k == 0)
            l << QStringLiteral("copy /b ") + parte + QLatin1Char(' ') + Q + nombreFinal + Q;
        else
            l << QStringLiteral("copy /b ") + Q + nombreFinal + Q + QLatin1Char('+') + parte;
    }
    l << si << QStringLiteral("GOTO End") << QStringLiteral(":labelE") << QStringLiteral("@echo on")
      << QStringLiteral("@echo off") << QStringLiteral("pause") << QStringLiteral("GOTO End") << QStringLiteral(":End");
    return l;
}

namespace {

// What the copy has done so far, shared with the hashing of what it wrote.
struct AvanceCopia {
    std::mutex m;
    std::condition_variable cv;
    std::vector<qint64> copiado; // bytes of each partition in the output
    bool terminada = false;
    Estado falla;

    void anoto(size_t k, qint64 hecho)
    {
        std::lock_guard l(m);
        copiado[k] = hecho;
        cv.notify_all();
    }
};

// Copies the partitions [desde, hasta) together, a piece of each in turn,
// so that their hashes advance together in lanes. Each one is opened only
// while the group is copied, and only while it is the very file checked
// before the join: the copy is certified by hashing what it wrote, so a
// partition must not change meanwhile.
Estado copioGrupo(const std::vector<ParteUnion>& partes, size_t desde, size_t hasta,
                  const std::vector<qint64>& posicion, ArchivoCrudo& salida, AvanceCopia& avance, Progreso* progreso,
                  const std::atomic<bool>& alto)
{
    constexpr qint64 kTramoCopia = 16 * kBloque; // a cancel is noticed this often
    std::vector<ArchivoCrudo> abiertas;
    const auto igual = [&](size_t k) {
        const auto id = abiertas[k - desde].identidad();
        return id && id.valor() == partes[k].identidad;
    };
    const auto cambio = [&](size_t k) {
        return Falla::de(TipoFalla::Cambiado,
                         QStringLiteral("La partición cambió mientras se unía: ") + partes[k].ruta);
    };
    for (size_t k = desde; k < hasta; ++k) {
        auto archivo = ArchivoCrudo::abro(partes[k].ruta, ArchivoCrudo::Modo::Lectura);
        if (!archivo)
            return archivo.falla();
        abiertas.push_back(std::move(archivo.valor()));
        if (!igual(k))
            return cambio(k);
    }
    std::vector<qint64> hecho(hasta - desde, 0);
    for (bool queda = true; queda;) {
        queda = false;
        for (size_t k = desde; k < hasta; ++k) {
            const qint64 c = std::min<qint64>(kTramoCopia, partes[k].identidad.tamano - hecho[k - desde]);
            if (c <= 0)
                continue;
            if (alto || (progreso && progreso->cancelado()))
                return Falla::cancelada();
            const qint64 p = posicion[k] + hecho[k - desde];
            if (auto f = salida.copioDesde(abiertas[k - desde], hecho[k - desde], c, p))
                return f;
            salida.adelantoEscritura(p, c); // the final flush waits little
            hecho[k - desde] += c;
            if (progreso)
                progreso->sumo(c);
            avance.anoto(k, hecho[k - desde]);
            queda = true;
        }
    }
    for (size_t k = desde; k < hasta; ++k)
        if (!igual(k))
            return cambio(k);
    return std::nullopt;
}

} // namespace

Resultado<QStringList> CopioYCalculo(const std::vector<ParteUnion>& partes, ArchivoCrudo& salida, ArchivoCrudo& lectura,
                                     Progreso* progreso)
{
    const size_t n = partes.size();
    std::vector<qint64> desde(n + 1, 0);
    for (size_t k = 0; k < n; ++k)
        desde[k + 1] = desde[k] + partes[k].identidad.tamano;
    const auto nucleo = ElijoNucleoMd5();
    if (!nucleo)
        return nucleo.falla();
    if (progreso)
        progreso->total.store(2 * desde[n]);
    const size_t carriles = size_t(CarrilesDe(nucleo.valor()));

    // One thread copies inside the kernel, a group of partitions at a time;
    // this one hashes each partition's range of the output as it is written.
    AvanceCopia avance;
    avance.copiado.assign(n, 0);
    std::atomic<bool> alto{false};
    std::thread copia([&] {
        Estado f;
        for (size_t k = 0; k < n && !f; k += carriles)
            f = copioGrupo(partes, k, std::min(n, k + carriles), desde, salida, avance, progreso, alto);
        std::lock_guard l(avance.m);
        avance.falla = f;
        avance.terminada = true;
        avance.cv.notify_all();
    });

    Md5Carriles motor(nucleo.valor());
    const qint64 pieza = PiezaPorCarril(int(carriles));
    struct Tramo { // a partition's range of the output, being hashed
        size_t k;
        int flujo;
        qint64 hecho;
        std::vector<char> datos;
    };
    std::vector<Tramo> activas;
    std::vector<Md5Carriles::Trozo> trozos;
    std::vector<QString> hashes(n);
    size_t siguiente = 0;
    Estado falla;
    std::vector<qint64> copiado(n, 0);
    while (!falla && (siguiente < n || !activas.empty())) {
        while (activas.size() < carriles && siguiente < n)
            activas.push_back({siguiente++, motor.abro(), 0, std::vector<char>(size_t(pieza))});
        bool acabo;
        {
            // Waits only while nothing new was copied of the partitions in hand.
            std::unique_lock l(avance.m);
            avance.cv.wait(l, [&] {
                return avance.terminada || std::any_of(activas.begin(), activas.end(), [&](const Tramo& a) {
                           return avance.copiado[a.k] > a.hecho;
                       });
            });
            for (const Tramo& a : activas)
                copiado[a.k] = avance.copiado[a.k];
            acabo = avance.terminada;
            if (avance.falla) {
                falla = avance.falla;
                break;
            }
        }
        bool avanzo = false;
        do {
            trozos.clear();
            for (Tramo& a : activas) {
                const qint64 t = std::min(pieza, copiado[a.k] - a.hecho);
                if (t <= 0)
                    continue;
                if ((falla = lectura.leoExacto(a.datos.data(), t, desde[a.k] + a.hecho)))
                    break;
                trozos.push_back({a.flujo, a.datos.data(), size_t(t)});
                a.hecho += t;
                if (progreso)
                    progreso->sumo(t);
            }
            motor.agrego(trozos);
            avanzo = avanzo || !trozos.empty();
        } while (!falla && !trozos.empty());
        for (auto a = activas.begin(); a != activas.end();) {
            if (a->hecho < partes[a->k].identidad.tamano) {
                ++a;
                continue;
            }
            hashes[a->k] = motor.termino(a->flujo);
            a = activas.erase(a);
            avanzo = true;
        }
        // The copy ended before these were written: it failed, or was stopped.
        if (!avanzo && acabo && !activas.empty())
            falla = Falla::cancelada();
    }
    alto = true;
    copia.join();
    if (falla)
        return *falla;
    return QStringList(hashes.begin(), hashes.end());
}

namespace {

// The list file or the batch file, created under a name nobody holds (never
// through a link, never over the operator's own file). Its identity, so that
// only this very file is removed afterwards; nothing when it could not be made.
std::optional<IdentidadArchivo> escriboAparte(const QString& ruta, const QStringList& lineas)
{
    auto archivo = Temporal::creo(CarpetaDeRuta(ruta));
    if (!archivo)
        return std::nullopt;
    QByteArray texto;
    for (const QString& l : lineas)
        texto += QFile::encodeName(l) + "\r\n";
    if (archivo.valor().archivo().escribo(texto.constData(), texto.size()) || archivo.valor().entrego(ruta, false))
        return std::nullopt;
    const auto id = IdentidadDe(ruta);
    return id ? std::optional(id.valor()) : std::nullopt;
}

// The files this run left in the origin; removed when the run ends, whatever its end.
struct ArchivosAparte {
    QList<std::pair<QString, IdentidadArchivo>> escritos;

    void escribo(const QString& ruta, const QStringList& lineas)
    {
        if (const auto id = escriboAparte(ruta, lineas))
            escritos.append({ruta, *id});
    }
    ~ArchivosAparte()
    {
        for (const auto& [ruta, id] : std::as_const(escritos)) {
            const auto ahora = IdentidadDe(ruta);
            if (ahora && ahora.valor() == id)
                BorroArchivo(ruta);
        }
    }
};

// The first of 1..total that no member carries.
int primeraFaltante(const QStringList& miembros, int total)
{
    QList<bool> hay(total + 2, false);
    for (const QString& n : miembros)
        if (const auto p = AnalizoNombreParticion(n); p && p->valorNumero <= total)
            hay[p->valorNumero] = true;
    for (int i = 1; i <= total; ++i)
        if (!hay[i])
            return i;
    return total + 1;
}

} // namespace

JuegoReunido ReunoJuego(const QString& carpeta, const QString& seleccionada)
{
    JuegoReunido j;
    const auto s = AnalizoNombreParticion(seleccionada);
    if (s)
        for (const QString& n : nombresDe(carpeta))
            if (MismoJuego(*s, n))
                j.miembros << n;
    if (j.miembros.isEmpty()) {
        j.rechazo = RechazoUnion::SinParticiones;
    } else if (!CorroboroCantidadArchivos(j.miembros)) {
        j.rechazo = RechazoUnion::Falta;
        j.numero = primeraFaltante(j.miembros, s->valorTotal);
    }
    return j;
}

RechazoUnion CorroboroForma(const std::vector<ParteUnion>& ordenadas, int total, int& numero)
{
    const int n = int(ordenadas.size());
    numero = total + 1;
    if (n > total)
        return RechazoUnion::Sobrante;
    const qint64 primera = n > 0 ? ordenadas.front().identidad.tamano : 0;
    for (int k = 0; k < n; ++k) {
        numero = k + 1;
        const qint64 t = ordenadas[size_t(k)].identidad.tamano;
        if (t == 0)
            return RechazoUnion::Vacia;
        if (k + 1 < n && t != primera)
            return RechazoUnion::OtroTamano;
        if (k + 1 == n && t > primera)
            return RechazoUnion::UltimaMayor;
    }
    numero = 0;
    return RechazoUnion::Ninguno;
}

namespace {

// Gathers, orders and checks the set, and refuses a member that is not a
// regular file, before anything is written: false with r saying why.
bool preparoJuego(const PlanUnion& plan, ResultadoUnion& r, std::vector<ParteUnion>& partes, QString& primera)
{
    const JuegoReunido juego = ReunoJuego(plan.CarpetaOrigen, plan.seleccionada);
    if (juego.rechazo != RechazoUnion::Ninguno) {
        r.rechazo = juego.rechazo;
        r.numero = juego.numero;
        return false;
    }
    const Ordenamiento orden = OrdenoParticiones(juego.miembros);
    if (orden.motivo != Ordenamiento::Completo) {
        r.rechazo = orden.motivo == Ordenamiento::Falta ? RechazoUnion::Falta : RechazoUnion::Repetida;
        r.numero = orden.numero;
        return false;
    }
    for (const QString& n : orden.ordenadas) {
        const QString ruta = UnoRuta(plan.CarpetaOrigen, n);
        const auto id = IdentidadDe(ruta);
        if (!id) {
            r.falla = id.falla();
            return false;
        }
        r.particiones << ruta;
        partes.push_back({ruta, id.valor()});
    }
    r.rechazo = CorroboroForma(partes, AnalizoNombreParticion(plan.seleccionada)->valorTotal, r.numero);
    if (r.rechazo != RechazoUnion::Ninguno)
        return false;
    primera = orden.ordenadas.first();
    r.NombreArchivoFinal = ObtengoNombreFinal(primera);
    if (r.NombreArchivoFinal == QStringLiteral(".") || r.NombreArchivoFinal == QStringLiteral("..")) {
        r.falla = Falla::de(TipoFalla::ArgumentoInvalido,
                            QStringLiteral("Las particiones no dan un nombre de archivo válido: ") + primera);
        return false;
    }
    return true;
}

// The members whose hash the joined bytes do not match.
QList<int> danadasDe(const QStringList& particiones, const QStringList& hashes)
{
    QList<int> danadas;
    for (qsizetype k = 0; k < particiones.size(); ++k) {
        const auto p = AnalizoNombreParticion(NombreDeRuta(particiones[k]));
        if (hashes[k].compare(p->hash, Qt::CaseInsensitive) != 0)
            danadas << p->valorNumero;
    }
    return danadas;
}

// Whether a damaged result may take its place (and replacing which), as the operator says.
std::optional<bool> reemplazoSiDanado(const PlanUnion& plan, ResultadoUnion& r, const QString& final)
{
    if (r.danadas.isEmpty())
        return true;
    if (!plan.conservoDanado || !plan.conservoDanado(r.danadas)) {
        r.fin = FinUnion::DanadoRechazado;
        return std::nullopt;
    }
    if (!ExisteNombre(final))
        return false;
    if (!plan.reemplazoConDanado || !plan.reemplazoConDanado(final)) {
        r.fin = FinUnion::ReemplazoRehusado;
        return std::nullopt;
    }
    return true;
}

} // namespace

ResultadoUnion UnoJuego(const PlanUnion& plan, Progreso* progreso)
{
    ResultadoUnion r;
    auto paso = [&](PasoUnion p) {
        if (progreso)
            progreso->paso.store(p);
    };
    paso(Ordenando);
    std::vector<ParteUnion> partes;
    QString primera;
    if (!preparoJuego(plan, r, partes, primera))
        return r;

    paso(GenerandoNombre);
    const QString final = UnoRuta(plan.CarpetaDestino, r.NombreArchivoFinal);
    auto cerrojo = CerrojoCarpeta::tomo(plan.CarpetaDestino);
    if (!cerrojo) {
        r.falla = cerrojo.falla();
        return r;
    }
    std::vector<IdentidadArchivo> entradas;
    for (const ParteUnion& p : partes)
        entradas.push_back(p.identidad);
    LimpioTemporalesHuerfanos(plan.CarpetaDestino, entradas);

    ArchivosAparte aparte;
    if (plan.escriboListaYLote) {
        LimpioTemporalesHuerfanos(plan.CarpetaOrigen, entradas);
        QStringList nombres;
        for (const QString& ruta : std::as_const(r.particiones))
            nombres << NombreDeRuta(ruta);
        aparte.escribo(UnoRuta(plan.CarpetaOrigen, NombreListaUnion()), nombres);
        aparte.escribo(UnoRuta(plan.CarpetaOrigen, r.NombreArchivoFinal + QStringLiteral(".bat")),
                       LineasBatUnion(plan.CarpetaOrigen, r.NombreArchivoFinal, nombres));
        r.conListaYLote = aparte.escritos.size() == 2;
    }

    paso(UniendoPartes);
    auto temporal = Temporal::creo(plan.CarpetaDestino);
    if (!temporal) {
        r.falla = temporal.falla();
        return r;
    }
    auto lectura = ArchivoCrudo::abro(temporal.valor().ruta(), ArchivoCrudo::Modo::Lectura);
    if (!lectura) {
        r.falla = lectura.falla();
        return r;
    }
    const auto hashes = CopioYCalculo(partes, temporal.valor().archivo(), lectura.valor(), progreso);
    if (!hashes) {
        r.falla = hashes.falla();
        return r;
    }
    if (auto f = temporal.valor().termino()) {
        r.falla = f;
        return r;
    }
    r.danadas = danadasDe(r.particiones, hashes.valor());
    // A damaged result never takes the place of an existing file unasked.
    const auto reemplazo = reemplazoSiDanado(plan, r, final);
    if (!reemplazo)
        return r;
    if (progreso && progreso->cancelado()) {
        r.falla = Falla::cancelada();
        return r;
    }
    paso(MoviendoArchivo);
    if (auto f = temporal.valor().entrego(final, *reemplazo)) {
        r.falla = f;
        return r;
    }
    r.archivo = final;
    return r;
}

QString TextoFaltanParticiones(RechazoUnion rechazo, int numero)
{
    QString texto =
        QStringLiteral("Faltan particiones del archivo que está intenando generar, corrobore e intente nuevamente");
    if (rechazo == RechazoUnion::Falta)
        texto += QStringLiteral("\r\nFalta la partición ") + TresDigitos(numero) + QLatin1Char('.');
    else if (rechazo == RechazoUnion::Repetida)
        texto += QStringLiteral("\r\nLa partición ") + TresDigitos(numero) + QStringLiteral(" está repetida.");
    if (rechazo == RechazoUnion::Ninguno || rechazo == RechazoUnion::Falta || rechazo == RechazoUnion::Repetida
        || rechazo == RechazoUnion::SinParticiones)
        return texto;
    texto = QStringLiteral(
        "Las particiones no pueden provenir de un mismo particionado, corrobore e intente nuevamente\r\n");
    switch (rechazo) {
    case RechazoUnion::OtroTamano:
        return texto + QStringLiteral("La partición ") + TresDigitos(numero)
            + QStringLiteral(" no tiene el tamaño de la partición 001.");
    case RechazoUnion::UltimaMayor:
        return texto + QStringLiteral("La última partición (") + TresDigitos(numero)
            + QStringLiteral(") es mayor que las demás.");
    case RechazoUnion::Vacia:
        return texto + QStringLiteral("La partición ") + TresDigitos(numero) + QStringLiteral(" está vacía.");
    default:
        return texto + QStringLiteral("Hay más particiones que el total que indican sus nombres: sobra la ")
            + TresDigitos(numero) + QLatin1Char('.');
    }
}

QString TextoSinParticiones()
{
    return QStringLiteral(
        "El archivo seleccionado no dispone de particiones, corrobore el directorio y archivo seleccionado");
}

QString TextoParticionesDanadas(const QList<int>& numeros)
{
    QStringList tres;
    for (int n : numeros)
        tres << TresDigitos(n);
    if (tres.size() == 1)
        return QStringLiteral("El contenido de la partición ") + tres.first()
            + QStringLiteral(" no coincide con el código Hash de su nombre: el archivo armado está dañado.");
    return QStringLiteral("El contenido de las particiones ") + tres.join(QStringLiteral(", "))
        + QStringLiteral(" no coincide con el código Hash de su nombre: el archivo armado está dañado.");
}

QString TextoReemplazoDanado(const QString& destino)
{
    return QStringLiteral("Ya existe el archivo ") + destino
        + QStringLiteral(" en la carpeta de destino.\r\n¿Desea reemplazarlo por el archivo armado dañado?");
}

QString TextoFallaUnion(const Falla& falla)
{
    if (falla.tipo == TipoFalla::Cancelado)
        return QStringLiteral("Unión de particiones cancelada por el usuario: no se guardó el archivo armado.");
    return falla.descripcion;
}
