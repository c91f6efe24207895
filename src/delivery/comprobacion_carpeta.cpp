#include "delivery/comprobacion_carpeta.h"

#include "hash/nombre_hash.h"
#include "join/union.h"
#include "partition/particionado.h"
#include "system/archivos.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMap>

#include <algorithm>

namespace {

QString sinBarraFinal(QString c)
{
    while (c.size() > 1 && c.endsWith(QLatin1Char('/')))
        c.chop(1);
    return c;
}

} // namespace

EstadoFila FilaComprobacion::estado() const
{
    switch (v.estado) {
    case EstadoHash::Correcto: return EstadoFila::Correcto;
    case EstadoHash::Invalido: return EstadoFila::Incorrecto;
    case EstadoHash::SinFormato: return EstadoFila::SinFormato;
    case EstadoHash::Corregido: return EstadoFila::Corregido;
    case EstadoHash::Error: break;
    }
    // A name without "." carries no hash either.
    return v.falla && v.falla->tipo == TipoFalla::ArgumentoInvalido && v.hashNombre.isEmpty() ? EstadoFila::SinFormato
                                                                                              : EstadoFila::Error;
}

QString FilaComprobacion::nombre() const { return NombreDeRuta(v.nueva.isEmpty() ? v.ruta : v.nueva); }

QString FilaComprobacion::carpeta() const { return sinBarraFinal(CarpetaDeRuta(v.ruta)); }

FilaComprobacion FilaDe(const Verificacion& v)
{
    FilaComprobacion f;
    f.v = v;
    f.tamano = v.hashArchivo.isEmpty() ? TamanoDe(v.ruta).valor_o(-1) : v.leido.tamano;
    return f;
}

QString TextoEstado(EstadoFila estado)
{
    switch (estado) {
    case EstadoFila::Correcto: return QStringLiteral("Correcto");
    case EstadoFila::Incorrecto: return QStringLiteral("Incorrecto");
    case EstadoFila::SinFormato: return QStringLiteral("Sin formato");
    case EstadoFila::Error: return QStringLiteral("Error");
    case EstadoFila::Corregido: return QStringLiteral("Corregido");
    }
    return {};
}

QString CausaFila(const FilaComprobacion& fila)
{
    switch (fila.estado()) {
    case EstadoFila::SinFormato: return TextoSinFormatoHash();
    case EstadoFila::Corregido: return QStringLiteral("Nombre anterior: ") + NombreDeRuta(fila.v.ruta);
    case EstadoFila::Error:
    case EstadoFila::Incorrecto: // a correction that failed
        return fila.v.falla ? fila.v.falla->descripcion : QString();
    default: return {};
    }
}

Resumen Resumo(const std::vector<FilaComprobacion>& filas)
{
    Resumen r;
    for (const FilaComprobacion& f : filas) {
        switch (f.estado()) {
        case EstadoFila::Correcto: ++r.correctos; break;
        case EstadoFila::Incorrecto: ++r.incorrectos; break;
        case EstadoFila::SinFormato: ++r.sinFormato; break;
        case EstadoFila::Error: ++r.errores; break;
        case EstadoFila::Corregido: ++r.corregidos; break;
        }
        if (!f.v.hashArchivo.isEmpty())
            r.bytes += std::max<qint64>(0, f.tamano);
    }
    return r;
}

QString TextoResumen(const Resumen& r)
{
    const auto cuenta = [](int n, const char* uno, const char* varios) -> QString {
        return QString::number(n) + QLatin1Char(' ') + QString::fromUtf8(n == 1 ? uno : varios);
    };
    QString t = cuenta(r.total(), "archivo: ", "archivos: ") + cuenta(r.correctos, "correcto, ", "correctos, ")
        + cuenta(r.incorrectos, "incorrecto, ", "incorrectos, ")
        + cuenta(r.sinFormato, "sin formato, ", "sin formato, ") + cuenta(r.errores, "con error", "con error");
    if (r.corregidos > 0)
        t += QStringLiteral(", ") + cuenta(r.corregidos, "corregido", "corregidos");
    return t + QStringLiteral(". Bytes comprobados: ")
        + QLocale(QLocale::Spanish, QLocale::Argentina).toString(r.bytes);
}

namespace {

// Entries of a folder in name order, links and special files included;
// subfolders (real ones, never a link) apart.
void recorro(const QString& carpeta, bool subcarpetas, QStringList& archivos)
{
    QStringList hijas;
    const QDir dir(carpeta);
    for (const QString& n :
         dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        if (EsNombreTemporal(n))
            continue;
        const QString ruta = UnoRuta(carpeta, n);
        const QFileInfo info(ruta);
        if (info.isDir() && !info.isSymLink()) {
            hijas << ruta;
            continue;
        }
        archivos << ruta;
    }
    for (const QString& n : NombresIlegibles(carpeta))
        archivos << UnoRuta(carpeta, n);
    if (subcarpetas)
        for (const QString& h : std::as_const(hijas))
            recorro(h, true, archivos);
}

// The deepest folder that holds all of them.
QString carpetaComun(const QStringList& carpetas)
{
    if (carpetas.isEmpty())
        return {};
    QStringList comun = carpetas.first().split(QLatin1Char('/'));
    for (const QString& c : carpetas) {
        const QStringList partes = c.split(QLatin1Char('/'));
        qsizetype k = 0;
        while (k < comun.size() && k < partes.size() && comun[k] == partes[k])
            ++k;
        comun.resize(k);
    }
    const QString r = comun.join(QLatin1Char('/'));
    return r.isEmpty() ? QStringLiteral("/") : r;
}

// A file the cancel left unchecked.
bool noAlcanzada(const Verificacion& v)
{
    return v.estado == EstadoHash::Error && (!v.falla || v.falla->tipo == TipoFalla::Cancelado);
}

QString tresDigitos(const QList<int>& numeros)
{
    QStringList t;
    for (int n : numeros)
        t << TresDigitos(n);
    return t.join(QStringLiteral(", "));
}

} // namespace

QStringList ReunoArchivos(const QStringList& rutas, bool subcarpetas)
{
    QStringList archivos;
    for (const QString& r : rutas) {
        const QFileInfo info(r);
        if (info.isDir() && !info.isSymLink())
            recorro(sinBarraFinal(r), subcarpetas, archivos);
        else
            archivos << r;
    }
    archivos.removeDuplicates();
    return archivos;
}

std::vector<JuegoParticiones> AgrupoJuegos(std::vector<FilaComprobacion>& filas)
{
    // The join's notion of a set: one folder, the same base, extension and total.
    QMap<QStringList, int> indice;
    std::vector<JuegoParticiones> juegos;
    std::vector<QStringList> nombres;
    for (int i = 0; i < int(filas.size()); ++i) {
        const QString nombre = NombreDeRuta(filas[size_t(i)].v.ruta);
        const auto p = AnalizoNombreParticion(nombre);
        if (!p)
            continue;
        const QStringList clave{filas[size_t(i)].carpeta(), p->cabeza, p->extension, p->total};
        auto it = indice.find(clave);
        if (it == indice.end()) {
            it = indice.insert(clave, int(juegos.size()));
            JuegoParticiones j;
            j.carpeta = clave[0];
            j.total = p->valorTotal;
            juegos.push_back(j);
            nombres.emplace_back();
        }
        filas[size_t(i)].juego = *it;
        juegos[size_t(*it)].filas << i;
        nombres[size_t(*it)] << nombre;
    }
    for (size_t k = 0; k < juegos.size(); ++k) {
        JuegoParticiones& j = juegos[k];
        QStringList miembros = nombres[k];
        // The order in which the join lists a folder.
        std::sort(miembros.begin(), miembros.end(),
                  [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
        const Ordenamiento orden = OrdenoParticiones(miembros);
        j.completo = CorroboroCantidadArchivos(miembros) && orden.motivo == Ordenamiento::Completo;
        j.nombreFinal = ObtengoNombreFinal(miembros.first());

        QMap<int, int> cuantas, numero; // by partition number; by row
        for (int i : std::as_const(j.filas)) {
            const auto p = AnalizoNombreParticion(NombreDeRuta(filas[size_t(i)].v.ruta));
            numero[i] = p->valorNumero;
            ++cuantas[p->valorNumero];
            const EstadoFila e = filas[size_t(i)].estado();
            if (e != EstadoFila::Correcto && !j.danadas.contains(p->valorNumero))
                j.danadas << p->valorNumero;
        }
        for (int n = 1; n <= j.total; ++n)
            if (!cuantas.contains(n))
                j.faltan << n;
        for (auto it = cuantas.cbegin(); it != cuantas.cend(); ++it)
            if (it.value() > 1)
                j.repetidas << it.key();
        std::sort(j.danadas.begin(), j.danadas.end());
        std::stable_sort(j.filas.begin(), j.filas.end(), [&](int a, int b) { return numero[a] < numero[b]; });
        j.primera = filas[size_t(j.filas.first())].v.ruta;
    }
    return juegos;
}

QString TextoJuego(const JuegoParticiones& j)
{
    QString t = j.completo ? QStringLiteral("Completo") : QStringLiteral("Incompleto");
    if (!j.faltan.isEmpty())
        t += QStringLiteral("; faltan: ") + tresDigitos(j.faltan);
    if (!j.sinComprobar.isEmpty())
        t += QStringLiteral("; sin comprobar: ") + tresDigitos(j.sinComprobar);
    if (!j.repetidas.isEmpty())
        t += QStringLiteral("; repetidas: ") + tresDigitos(j.repetidas);
    if (!j.danadas.isEmpty())
        t += QStringLiteral("; dañadas: ") + tresDigitos(j.danadas);
    return t;
}

QString RaizComprobacion(const QStringList& rutas)
{
    QStringList carpetas;
    for (const QString& r : rutas) {
        const QFileInfo info(r);
        carpetas << (info.isDir() && !info.isSymLink() ? sinBarraFinal(r) : sinBarraFinal(CarpetaDeRuta(r)));
    }
    return carpetaComun(carpetas);
}

Comprobacion CompruebaEntrega(const PlanComprobacion& plan, Progreso* progreso)
{
    Comprobacion c;
    c.fecha = QDateTime::currentDateTime();
    const QStringList rutas = ReunoArchivos(plan.rutas, plan.subcarpetas);
    std::function<void(qsizetype, const Verificacion&)> cadaUna;
    if (plan.alComprobar)
        cadaUna = [&](qsizetype i, const Verificacion& v) {
            if (!noAlcanzada(v))
                plan.alComprobar(i, FilaDe(v));
        };
    const auto hechas = CorroboroArchivos(rutas, {}, progreso, cadaUna);
    c.raiz = RaizComprobacion(plan.rutas);
    QStringList sinComprobar;
    for (const Verificacion& v : hechas) {
        if (noAlcanzada(v)) {
            c.cancelada = true;
            sinComprobar << v.ruta;
            continue;
        }
        c.filas.push_back(FilaDe(v));
    }
    c.cancelada = c.cancelada || (progreso && progreso->cancelado());
    c.juegos = AgrupoJuegos(c.filas);
    // A member the cancel did not reach is there, only unchecked.
    for (JuegoParticiones& j : c.juegos) {
        const auto primera = AnalizoNombreParticion(NombreDeRuta(j.primera));
        for (const QString& ruta : std::as_const(sinComprobar)) {
            const auto p = AnalizoNombreParticion(NombreDeRuta(ruta));
            if (p && MismoJuego(*primera, NombreDeRuta(ruta)) && sinBarraFinal(CarpetaDeRuta(ruta)) == j.carpeta
                && j.faltan.removeOne(p->valorNumero))
                j.sinComprobar << p->valorNumero;
        }
        std::sort(j.sinComprobar.begin(), j.sinComprobar.end());
    }
    return c;
}

QList<int> FilasACorregir(const Comprobacion& c)
{
    QList<int> filas;
    for (int i = 0; i < int(c.filas.size()); ++i)
        if (c.filas[size_t(i)].estado() == EstadoFila::Incorrecto && c.filas[size_t(i)].juego < 0
            && !c.filas[size_t(i)].v.falla)
            filas << i;
    return filas;
}

QStringList CorrijoNombres(Comprobacion& c)
{
    QStringList fallas;
    for (int i : FilasACorregir(c)) {
        Verificacion& v = c.filas[size_t(i)].v;
        CambioHashArchivo(v);
        if (v.estado != EstadoHash::Corregido && v.falla)
            fallas << NombreDeRuta(v.ruta) + QStringLiteral(": ") + v.falla->descripcion;
    }
    return fallas;
}

QString CarpetaRelativa(const QString& raiz, const QString& carpeta)
{
    const QString r = QDir(raiz).relativeFilePath(carpeta);
    return r.isEmpty() ? QStringLiteral(".") : r;
}

QString CarpetaRelativa(const Comprobacion& c, const FilaComprobacion& fila)
{
    return CarpetaRelativa(c.raiz, fila.carpeta());
}

namespace {

QString fechaTexto(const QDateTime& f) { return f.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); }

// A spreadsheet must not take a name for a formula.
QString celda(const QString& texto)
{
    QString t = texto;
    if (!t.isEmpty() && QStringLiteral("=+-@").contains(t.front()))
        t.prepend(QLatin1Char('\''));
    t.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + t + QLatin1Char('"');
}

QString lineaCsv(const QStringList& celdas)
{
    QStringList c;
    for (const QString& t : celdas)
        c << celda(t);
    return c.join(QLatin1Char(';')) + QStringLiteral("\r\n");
}

QString detalleFila(const Comprobacion& c, const FilaComprobacion& f)
{
    QString d = CausaFila(f);
    if (f.juego >= 0) {
        const JuegoParticiones& j = c.juegos[size_t(f.juego)];
        const QString juego =
            QStringLiteral("Partición de ") + j.nombreFinal + QStringLiteral(" (") + TextoJuego(j) + QLatin1Char(')');
        d = d.isEmpty() ? juego : d + QStringLiteral(" — ") + juego;
    }
    return d;
}

QStringList celdasFila(const Comprobacion& c, const FilaComprobacion& f)
{
    return {CarpetaRelativa(c, f), f.nombre(),      f.tamano < 0 ? QString() : QString::number(f.tamano),
            f.v.hashNombre,        f.v.hashArchivo, TextoEstado(f.estado()),
            detalleFila(c, f)};
}

const QStringList& titulosColumnas()
{
    static const QStringList t{QStringLiteral("Carpeta"),
                               QStringLiteral("Nombre"),
                               QStringLiteral("Tamaño (bytes)"),
                               QStringLiteral("Hash en el nombre"),
                               QStringLiteral("Hash del contenido"),
                               QStringLiteral("Estado"),
                               QStringLiteral("Detalle")};
    return t;
}

QByteArray csv(const Comprobacion& c)
{
    QString t = QStringLiteral("\xFEFF"); // spreadsheets read the accents right with it
    t += lineaCsv({QStringLiteral("Comprobación de carpeta"), c.raiz});
    t += lineaCsv({QStringLiteral("Fecha"), fechaTexto(c.fecha)});
    t += lineaCsv(
        {QStringLiteral("Resumen"),
         TextoResumen(Resumo(c.filas)) + (c.cancelada ? QStringLiteral(" (comprobación cancelada)") : QString())});
    t += QStringLiteral("\r\n") + lineaCsv(titulosColumnas());
    for (const FilaComprobacion& f : c.filas)
        t += lineaCsv(celdasFila(c, f));
    if (!c.juegos.empty()) {
        t += QStringLiteral("\r\n")
            + lineaCsv({QStringLiteral("Carpeta"), QStringLiteral("Juego de particiones"), QStringLiteral("Total"),
                        QStringLiteral("Estado")});
        for (const JuegoParticiones& j : c.juegos)
            t += lineaCsv({CarpetaRelativa(c.raiz, j.carpeta), j.nombreFinal, QString::number(j.total), TextoJuego(j)});
    }
    return t.toUtf8();
}

QString colorEstado(EstadoFila e)
{
    switch (e) {
    case EstadoFila::Correcto:
    case EstadoFila::Corregido: return QStringLiteral("#e3f4e3");
    case EstadoFila::Incorrecto:
    case EstadoFila::Error: return QStringLiteral("#fbe0e0");
    case EstadoFila::SinFormato: return QStringLiteral("#f4f0d8");
    }
    return {};
}

QByteArray html(const Comprobacion& c)
{
    const auto esc = [](const QString& s) { return s.toHtmlEscaped(); };
    QString t = QStringLiteral(
        "<!DOCTYPE html>\n<html lang=\"es\">\n<head><meta charset=\"utf-8\">"
        "<title>Comprobación de carpeta</title>\n<style>"
        "body{font-family:sans-serif;margin:1.5em}table{border-collapse:collapse;margin:1em 0;max-width:100%}"
        // Long names and paths break anywhere rather than widen the page.
        "th,td{border:1px solid #999;padding:3px 6px;text-align:left;vertical-align:top;overflow-wrap:anywhere}"
        "th{background:#dde6f0}td.n{text-align:right}code{font-size:90%}"
        "</style></head>\n<body>\n<h1>Comprobación de carpeta</h1>\n");
    t += QStringLiteral("<p><b>Carpeta:</b> ") + esc(c.raiz) + QStringLiteral("<br><b>Fecha:</b> ")
        + esc(fechaTexto(c.fecha)) + QStringLiteral("</p>\n<p><b>Resumen:</b> ") + esc(TextoResumen(Resumo(c.filas)))
        + (c.cancelada ? QStringLiteral(" <b>(comprobación cancelada: faltan archivos por comprobar)</b>") : QString())
        + QStringLiteral("</p>\n");
    if (!c.juegos.empty()) {
        t += QStringLiteral(
            "<h2>Juegos de particiones</h2>\n<table>\n<tr><th>Carpeta</th><th>Archivo</th><th>Total</th><th>Estado</th></tr>\n");
        for (const JuegoParticiones& j : c.juegos) {
            t += QStringLiteral("<tr style=\"background:")
                + (j.correcto() ? colorEstado(EstadoFila::Correcto) : colorEstado(EstadoFila::Error))
                + QStringLiteral("\"><td>") + esc(CarpetaRelativa(c.raiz, j.carpeta)) + QStringLiteral("</td><td>")
                + esc(j.nombreFinal) + QStringLiteral("</td><td class=\"n\">") + QString::number(j.total)
                + QStringLiteral("</td><td>") + esc(TextoJuego(j)) + QStringLiteral("</td></tr>\n");
        }
        t += QStringLiteral("</table>\n");
    }
    t += QStringLiteral("<h2>Archivos</h2>\n<table>\n<tr>");
    for (const QString& titulo : titulosColumnas())
        t += QStringLiteral("<th>") + esc(titulo) + QStringLiteral("</th>");
    t += QStringLiteral("</tr>\n");
    for (const FilaComprobacion& f : c.filas) {
        const QStringList celdas = celdasFila(c, f);
        t += QStringLiteral("<tr style=\"background:") + colorEstado(f.estado()) + QStringLiteral("\">");
        for (qsizetype k = 0; k < celdas.size(); ++k) {
            const bool codigo = k == 3 || k == 4;
            t += (k == 2 ? QStringLiteral("<td class=\"n\">") : QStringLiteral("<td>"))
                + (codigo ? QStringLiteral("<code>") : QString()) + esc(celdas[k])
                + (codigo ? QStringLiteral("</code>") : QString()) + QStringLiteral("</td>");
        }
        t += QStringLiteral("</tr>\n");
    }
    t += QStringLiteral("</table>\n</body>\n</html>\n");
    return t.toUtf8();
}

QByteArray md5(const Comprobacion& c, const QString& carpetaInforme)
{
    // Relative to the checked folder, wherever the list is saved: it checks
    // the delivery wherever it is copied to.
    const QDir base(c.raiz.isEmpty() ? carpetaInforme : c.raiz);
    QByteArray t;
    for (const FilaComprobacion& f : c.filas) {
        const EstadoFila e = f.estado();
        if (e != EstadoFila::Correcto && e != EstadoFila::Corregido)
            continue;
        const QString ruta = f.v.nueva.isEmpty() ? f.v.ruta : f.v.nueva;
        QString nombre = base.relativeFilePath(ruta);
        if (nombre.startsWith(QStringLiteral("../")) || nombre == QStringLiteral(".."))
            nombre = QFileInfo(ruta).absoluteFilePath();
        QByteArray bytes = QFile::encodeName(nombre);
        // md5sum's own escaping of a name with a backslash or a line break.
        const bool escapo = bytes.contains('\\') || bytes.contains('\n') || bytes.contains('\r');
        if (escapo)
            bytes.replace("\\", "\\\\").replace("\n", "\\n").replace("\r", "\\r");
        t += (escapo ? "\\" : "") + f.v.hashArchivo.toLower().toLatin1() + "  " + bytes + '\n';
    }
    return t;
}

} // namespace

QByteArray TextoInforme(const Comprobacion& c, FormatoInforme formato, const QString& carpetaInforme)
{
    switch (formato) {
    case FormatoInforme::Csv: return csv(c);
    case FormatoInforme::Html: return html(c);
    case FormatoInforme::Md5: return md5(c, carpetaInforme);
    }
    return {};
}

Resultado<QStringList> GuardoInformes(const Comprobacion& c, const QString& carpeta)
{
    const QList<std::pair<FormatoInforme, QString>> formatos{{FormatoInforme::Csv, QStringLiteral(".csv")},
                                                             {FormatoInforme::Html, QStringLiteral(".html")},
                                                             {FormatoInforme::Md5, QStringLiteral(".md5")}};
    const QString tallo = QStringLiteral("comprobacion_") + c.fecha.toString(QStringLiteral("yyyyMMdd_HHmmss"));
    QStringList nombres;
    for (int k = 1; nombres.isEmpty(); ++k) {
        const QString t = k == 1 ? tallo : tallo + QLatin1Char('_') + QString::number(k);
        QStringList candidatos;
        for (const auto& [formato, ext] : formatos)
            candidatos << UnoRuta(carpeta, t + ext);
        if (std::none_of(candidatos.begin(), candidatos.end(), [](const QString& r) { return ExisteNombre(r); }))
            nombres = candidatos;
    }
    // All three are written before any takes its name: a failure leaves none.
    std::vector<Temporal> temporales;
    for (const auto& [formato, ext] : formatos) {
        auto t = Temporal::creo(carpeta);
        if (!t)
            return t.falla();
        const QByteArray texto = TextoInforme(c, formato, carpeta);
        if (auto f = t.valor().archivo().escribo(texto.constData(), texto.size()))
            return *f;
        temporales.push_back(std::move(t.valor()));
    }
    return EntregoTodos(temporales, nombres, false);
}
