#include "join/union.h"

#include "hash/md5_carriles.h"
#include "hash/motor_hash.h"
#include "partition/particionado.h"
#include "system/archivos.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

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
    return p && p->cabeza == seleccionada.cabeza && p->extension == seleccionada.extension && p->total == seleccionada.total;
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

Resultado<QStringList> CopioYCalculo(std::vector<ArchivoCrudo>& partes, ArchivoCrudo& salida, Progreso* progreso)
{
    const int n = int(partes.size());
    std::vector<qint64> desde(static_cast<size_t>(n) + 1, 0);
    for (int k = 0; k < n; ++k) {
        const auto t = partes[size_t(k)].tamano();
        if (!t)
            return t.falla();
        desde[size_t(k) + 1] = desde[size_t(k)] + t.valor();
    }

    // Partitions land at known offsets: one thread copies them into place
    // inside the kernel while this one hashes them, in lanes. Copy and hash
    // read apart, so a partition must not change meanwhile.
    std::vector<IdentidadArchivo> antes;
    for (const ArchivoCrudo& p : partes) {
        const auto id = p.identidad();
        if (!id)
            return id.falla();
        antes.push_back(id.valor());
    }
    if (progreso)
        progreso->total.store(2 * desde[size_t(n)]);
    Estado falla;
    std::thread copia([&] {
        constexpr qint64 kTramoCopia = 16 * kBloque; // a cancel is noticed this often
        for (int k = 0; k < n && !falla; ++k) {
            const qint64 largo = desde[size_t(k) + 1] - desde[size_t(k)];
            for (qint64 hecho = 0; hecho < largo;) {
                if (progreso && progreso->cancelado()) {
                    falla = Falla::cancelada();
                    break;
                }
                const qint64 c = std::min<qint64>(kTramoCopia, largo - hecho);
                if ((falla = salida.copioDesde(partes[size_t(k)], hecho, c, desde[size_t(k)] + hecho)))
                    break;
                salida.adelantoEscritura(desde[size_t(k)] + hecho, c); // the final flush waits little
                hecho += c;
                if (progreso)
                    progreso->sumo(c);
            }
        }
    });
    // OpenSSL hashes one stream per thread: then both cores hash as well.
    const auto nucleo = ElijoNucleoMd5();
    const auto calculados = CalculoHashes(partes, progreso, nucleo && nucleo.valor() == NucleoMd5::OpenSsl ? 2 : 1);
    copia.join();
    QStringList hashes;
    for (int k = 0; k < n && !falla; ++k) {
        const auto id = partes[size_t(k)].identidad();
        if (!calculados[size_t(k)])
            falla = calculados[size_t(k)].falla();
        else if (!id || !(id.valor() == antes[size_t(k)]))
            falla = Falla::de(TipoFalla::Cambiado, QStringLiteral("La partición cambió mientras se unía: ") + partes[size_t(k)].ruta());
        else
            hashes << calculados[size_t(k)].valor();
    }
    if (falla)
        return *falla;
    return hashes;
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

ResultadoUnion UnoJuego(const PlanUnion& plan, Progreso* progreso)
{
    ResultadoUnion r;
    auto paso = [&](PasoUnion p) {
        if (progreso)
            progreso->paso.store(p);
    };
    paso(Ordenando);
    const JuegoReunido juego = ReunoJuego(plan.CarpetaOrigen, plan.seleccionada);
    if (juego.rechazo != RechazoUnion::Ninguno) {
        r.rechazo = juego.rechazo;
        r.numero = juego.numero;
        return r;
    }
    const Ordenamiento orden = OrdenoParticiones(juego.miembros);
    if (orden.motivo != Ordenamiento::Completo) {
        r.rechazo = orden.motivo == Ordenamiento::Falta ? RechazoUnion::Falta : RechazoUnion::Repetida;
        r.numero = orden.numero;
        return r;
    }
    for (const QString& n : orden.ordenadas)
        r.particiones << UnoRuta(plan.CarpetaOrigen, n);

    // Every partition is opened (and a link or a non-file refused) before anything is written.
    std::vector<ArchivoCrudo> partes;
    for (const QString& ruta : std::as_const(r.particiones)) {
        auto parte = ArchivoCrudo::abro(ruta, ArchivoCrudo::Modo::Lectura);
        if (!parte) {
            r.falla = parte.falla();
            return r;
        }
        partes.push_back(std::move(parte.valor()));
    }

    paso(GenerandoNombre);
    r.NombreArchivoFinal = ObtengoNombreFinal(orden.ordenadas.first());
    if (r.NombreArchivoFinal == QStringLiteral(".") || r.NombreArchivoFinal == QStringLiteral("..")) {
        r.falla = Falla::de(TipoFalla::ArgumentoInvalido,
                            QStringLiteral("Las particiones no dan un nombre de archivo válido: ") + orden.ordenadas.first());
        return r;
    }
    const QString final = UnoRuta(plan.CarpetaDestino, r.NombreArchivoFinal);
    auto cerrojo = CerrojoCarpeta::tomo(plan.CarpetaDestino);
    if (!cerrojo) {
        r.falla = cerrojo.falla();
        return r;
    }
    LimpioTemporalesHuerfanos(plan.CarpetaDestino);

    ArchivosAparte aparte;
    if (plan.escriboListaYLote) {
        LimpioTemporalesHuerfanos(plan.CarpetaOrigen);
        aparte.escribo(UnoRuta(plan.CarpetaOrigen, NombreListaUnion()), orden.ordenadas);
        aparte.escribo(UnoRuta(plan.CarpetaOrigen, r.NombreArchivoFinal + QStringLiteral(".bat")),
                       LineasBatUnion(plan.CarpetaOrigen, r.NombreArchivoFinal, orden.ordenadas));
        r.conListaYLote = aparte.escritos.size() == 2;
    }

    paso(UniendoPartes);
    auto temporal = Temporal::creo(plan.CarpetaDestino);
    if (!temporal) {
        r.falla = temporal.falla();
        return r;
    }
    const auto hashes = CopioYCalculo(partes, temporal.valor().archivo(), progreso);
    if (!hashes) {
        r.falla = hashes.falla();
        return r;
    }
    if (auto f = temporal.valor().termino()) {
        r.falla = f;
        return r;
    }
    for (qsizetype k = 0; k < orden.ordenadas.size(); ++k) {
        const auto p = AnalizoNombreParticion(orden.ordenadas[k]);
        if (hashes.valor()[k].compare(p->hash, Qt::CaseInsensitive) != 0)
            r.danadas << p->valorNumero;
    }

    // A damaged result never takes the place of an existing file unasked.
    bool reemplazo = true;
    if (!r.danadas.isEmpty()) {
        if (!plan.conservoDanado || !plan.conservoDanado(r.danadas)) {
            r.fin = FinUnion::DanadoRechazado;
            return r;
        }
        reemplazo = false;
        if (ExisteNombre(final)) {
            if (!plan.reemplazoConDanado || !plan.reemplazoConDanado(final)) {
                r.fin = FinUnion::ReemplazoRehusado;
                return r;
            }
            reemplazo = true;
        }
    }
    if (progreso && progreso->cancelado()) {
        r.falla = Falla::cancelada();
        return r;
    }
    paso(MoviendoArchivo);
    if (auto f = temporal.valor().entrego(final, reemplazo)) {
        r.falla = f;
        return r;
    }
    r.archivo = final;
    return r;
}

QString TextoFaltanParticiones(RechazoUnion rechazo, int numero)
{
    QString texto = QStringLiteral("Faltan particiones del archivo que está intenando generar, corrobore e intente nuevamente");
    if (rechazo == RechazoUnion::Falta)
        texto += QStringLiteral("\r\nFalta la partición ") + TresDigitos(numero) + QLatin1Char('.');
    else if (rechazo == RechazoUnion::Repetida)
        texto += QStringLiteral("\r\nLa partición ") + TresDigitos(numero) + QStringLiteral(" está repetida.");
    return texto;
}

QString TextoSinParticiones()
{
    return QStringLiteral("El archivo seleccionado no dispone de particiones, corrobore el directorio y archivo seleccionado");
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
