#include "join/union.h"

#include "hash/motor_hash.h"
#include "partition/particionado.h"
#include "system/archivos.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

std::optional<NombreParticion> AnalizoNombreParticion(const QString& nombre)
{
    static const QRegularExpression cola(QStringLiteral(R"(\.part(\d{3,})\.(\d{3,})\.vesk$)"),
                                         QRegularExpression::CaseInsensitiveOption);
    const auto m = cola.match(nombre);
    if (!m.hasMatch())
        return std::nullopt;
    const QString resto = nombre.left(m.capturedStart());
    const qsizetype punto = resto.indexOf(QLatin1Char('.'));
    if (punto < 0 || punto < 33)
        return std::nullopt;
    NombreParticion p;
    p.cabeza = resto.left(punto - 32);
    p.hash = resto.mid(punto - 32, 32);
    p.extension = resto.mid(punto);
    p.numero = m.captured(1);
    p.total = m.captured(2);
    bool ok1 = false, ok2 = false;
    p.valorNumero = p.numero.toInt(&ok1);
    p.valorTotal = p.total.toInt(&ok2);
    if (!ok1 || !ok2)
        return std::nullopt;
    return p;
}

std::optional<QString> ArmoPatronParticiones(const QString& nombre)
{
    const auto p = AnalizoNombreParticion(nombre);
    if (!p)
        return std::nullopt;
    return p->cabeza + QLatin1Char('*') + p->extension + QStringLiteral(".part*.") + p->total + QStringLiteral(".vesk");
}

bool CoincidePatron(const QString& nombre, const QString& patron)
{
    // Only "*" and "?" are wildcards, as in the platform's file lists: a "[" in
    // a name is a plain character. Greedy, with one point to come back to, so
    // that no name makes the match run away.
    const QString n = nombre.toCaseFolded(), p = patron.toCaseFolded();
    qsizetype i = 0, j = 0, estrella = -1, marca = 0;
    while (i < n.size()) {
        if (j < p.size() && (p[j] == QLatin1Char('?') || (p[j] != QLatin1Char('*') && p[j] == n[i]))) {
            ++i;
            ++j;
        } else if (j < p.size() && p[j] == QLatin1Char('*')) {
            estrella = j++;
            marca = i;
        } else if (estrella >= 0) {
            j = estrella + 1;
            i = ++marca;
        } else {
            return false;
        }
    }
    while (j < p.size() && p[j] == QLatin1Char('*'))
        ++j;
    return j == p.size();
}

QStringList ListoParticiones(const QString& carpeta, const QString& patron)
{
    QStringList lista;
    const QStringList todos = QDir(carpeta).entryList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    for (const QString& n : todos)
        if (CoincidePatron(n, patron))
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

Ordenamiento OrdenoParticiones(EstadoUnion& e, const QStringList& candidatos)
{
    Ordenamiento o;
    e.ParticionEsperada = 0;
    e.ParticionesOrdenadas = 0;
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
        if (e.ParticionesOrdenadas == 0) {
            o.motivo = Ordenamiento::Ninguna;
            return o;
        }
        o.numero = e.ParticionEsperada;
        o.motivo = Ordenamiento::Falta;
        for (qsizetype i = 0; i < candidatos.size(); ++i) {
            const auto p = AnalizoNombreParticion(candidatos[i]);
            if (!aceptado[i] && p && p->valorNumero >= 1 && p->valorNumero < e.ParticionEsperada) {
                o.motivo = Ordenamiento::Repetida;
                o.numero = p->valorNumero;
                break;
            }
        }
        return o;
    }
    return o;
}

namespace {

Estado escriboLineas(const QString& ruta, const QStringList& lineas)
{
    auto archivo = Temporal::creo(CarpetaDeRuta(ruta));
    if (!archivo)
        return archivo.falla();
    QByteArray texto;
    for (const QString& l : lineas)
        texto += QFile::encodeName(l) + "\r\n";
    if (auto f = archivo.valor().archivo().escribo(texto.constData(), texto.size()))
        return f;
    return archivo.valor().entrego(ruta, true);
}

} // namespace

Estado GeneroTXTconNomArchivos(const QString& carpeta, const QStringList& ordenadas)
{
    return escriboLineas(UnoRuta(carpeta, NombreListaUnion()), ordenadas);
}

bool ObtengoNombreFinal(EstadoUnion& e, const QString& primeraLinea)
{
    const auto p = AnalizoNombreParticion(primeraLinea);
    if (!p)
        return false;
    // One character before the hash is always dropped: the separator.
    e.NombreBase = p->cabeza.left(p->cabeza.size() - 1);
    e.ExtensionArchivo = p->extension;
    e.NombreArchivoFinal = e.NombreBase + e.ExtensionArchivo;
    return true;
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

Estado GeneroBatUnion(EstadoUnion& e, const QStringList& lista)
{
    const QString ruta = UnoRuta(e.CarpetaOrigen, e.NombreArchivoFinal + QStringLiteral(".bat"));
    e.ComandoBat = QLatin1Char('"') + ruta + QLatin1Char('"');
    return escriboLineas(ruta, LineasBatUnion(e.CarpetaOrigen, e.NombreArchivoFinal, lista));
}

ResultadoUnion UnoParticiones(const QString& carpetaOrigen, const QStringList& lista, const QString& carpetaDestino,
                              const QString& nombreFinal, Progreso* progreso)
{
    ResultadoUnion r;
    const int n = int(lista.size());
    std::vector<qint64> desde(static_cast<size_t>(n) + 1, 0);
    for (int k = 0; k < n; ++k) {
        auto t = TamanoDe(UnoRuta(carpetaOrigen, lista[k]));
        if (!t) {
            r.falla = t.falla();
            return r;
        }
        desde[size_t(k) + 1] = desde[size_t(k)] + t.valor();
    }
    if (progreso)
        progreso->total.store(desde[size_t(n)]);
    auto temporal = Temporal::creo(carpetaDestino);
    if (!temporal) {
        r.falla = temporal.falla();
        return r;
    }
    Temporal& salida = temporal.valor();

    // Partitions land at known offsets, so two can be copied and hashed at once.
    std::mutex m;
    int siguiente = 0;
    Estado falla;
    std::vector<QString> hashes(static_cast<size_t>(n));
    auto trabajo = [&] {
        std::vector<char> bloque(static_cast<size_t>(kBloque));
        for (;;) {
            int k;
            {
                std::lock_guard l(m);
                if (falla || siguiente >= n)
                    return;
                k = siguiente++;
            }
            Estado f;
            auto entrada = ArchivoCrudo::abro(UnoRuta(carpetaOrigen, lista[k]), ArchivoCrudo::Modo::Lectura);
            Md5 md5;
            if (!entrada)
                f = entrada.falla();
            else
                entrada.valor().avisoLecturaSecuencial();
            const qint64 largo = desde[size_t(k) + 1] - desde[size_t(k)];
            for (qint64 hecho = 0; !f && hecho < largo;) {
                if (progreso && progreso->cancelado()) {
                    f = Falla::cancelada();
                    break;
                }
                const qint64 c = std::min<qint64>(kBloque, largo - hecho);
                f = entrada.valor().leoExacto(bloque.data(), c, hecho);
                if (!f)
                    f = salida.archivo().escriboEn(bloque.data(), c, desde[size_t(k)] + hecho);
                if (f)
                    break;
                md5.agrego(bloque.data(), size_t(c));
                hecho += c;
                if (progreso)
                    progreso->sumo(c);
            }
            std::lock_guard l(m);
            if (f) {
                if (!falla)
                    falla = f;
                return;
            }
            hashes[size_t(k)] = md5.texto();
        }
    };
    std::thread otro(trabajo);
    trabajo();
    otro.join();
    if (!falla)
        falla = salida.termino();
    if (falla) {
        r.falla = falla;
        return r;
    }
    r.temporal = salida.suelto();
    for (int k = 0; k < n; ++k) {
        const auto p = AnalizoNombreParticion(lista[k]);
        if (!p || hashes[size_t(k)].compare(p->hash, Qt::CaseInsensitive) != 0)
            r.diferentes << (p ? p->valorNumero : k + 1);
    }
    return r;
}

Estado MuevoArchivoFinal(const QString& temporal, const QString& carpetaDestino, const QString& nombreFinal)
{
    return RenombroReemplazando(temporal, UnoRuta(carpetaDestino, nombreFinal));
}

void LimpioUnion(const EstadoUnion& e, const QString& temporal)
{
    if (!e.CarpetaOrigen.isEmpty()) {
        if (!e.NombreArchivoFinal.isEmpty())
            BorroArchivo(UnoRuta(e.CarpetaOrigen, e.NombreArchivoFinal + QStringLiteral(".bat")));
        BorroArchivo(UnoRuta(e.CarpetaOrigen, NombreListaUnion()));
    }
    if (!temporal.isEmpty())
        BorroArchivo(temporal);
}

QString TextoParticionesDanadas(const QList<int>& numeros)
{
    QStringList tres;
    for (int n : numeros)
        tres << TresDigitos(n);
    return QStringLiteral("El contenido de las particiones ") + tres.join(QStringLiteral(", "))
        + QStringLiteral(" no coincide con el código Hash de su nombre: el archivo armado está dañado.");
}

Mensaje MensajeFaltanParticiones(const Ordenamiento* orden)
{
    QString texto = QStringLiteral("Faltan particiones del archivo que está intenando generar, corrobore e intente nuevamente");
    if (orden && orden->motivo == Ordenamiento::Falta)
        texto += QStringLiteral("\r\nFalta la partición ") + TresDigitos(orden->numero) + QLatin1Char('.');
    else if (orden && orden->motivo == Ordenamiento::Repetida)
        texto += QStringLiteral("\r\nLa partición ") + TresDigitos(orden->numero) + QStringLiteral(" está repetida.");
    return {QStringLiteral("ERROR"), texto, Icono::Critico};
}

Mensaje MensajeNoSonParticiones()
{
    return {QStringLiteral("ERROR"),
            QStringLiteral("Los archivo del directorio seleccionado no corresponden a particiones para unir"), Icono::Critico};
}

Mensaje MensajeSinParticiones()
{
    return {QStringLiteral("Error"),
            QStringLiteral("El archivo seleccionado no dispone de particiones, corrobore el directorio y archivo seleccionado"),
            Icono::Exclamacion};
}
