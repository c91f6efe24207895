#include "config/archivo_ini.h"

#include "system/archivos.h"

#include <QFile>
#include <QList>
#include <QStringDecoder>
#include <QStringList>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F.
constexpr char16_t kCp1252Alto[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

struct Linea {
    enum Tipo { Otra, Seccion, Clave } tipo = Otra;
    QString nombre; // section or key name as written
    QString valor;
};

Linea analizo(const QString& texto)
{
    const QString t = texto.trimmed();
    Linea l;
    if (t.startsWith(QLatin1Char('[')) && t.contains(QLatin1Char(']'))) {
        l.tipo = Linea::Seccion;
        l.nombre = t.mid(1, t.indexOf(QLatin1Char(']')) - 1).trimmed();
    } else if (!t.startsWith(QLatin1Char(';')) && t.contains(QLatin1Char('='))) {
        const qsizetype igual = t.indexOf(QLatin1Char('='));
        l.tipo = Linea::Clave;
        l.nombre = t.left(igual).trimmed();
        l.valor = t.mid(igual + 1).trimmed();
        // The platform's reader strips one pair of quotes, double or single.
        for (const QChar comilla : {QLatin1Char('"'), QLatin1Char('\'')})
            if (l.valor.size() >= 2 && l.valor.startsWith(comilla) && l.valor.endsWith(comilla)) {
                l.valor = l.valor.mid(1, l.valor.size() - 2);
                break;
            }
    }
    return l;
}

bool igual(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// Larger than any INI file the program writes or the installer ships.
constexpr qint64 kMaximoIni = 1024 * 1024;

Estado escriboTodo(int fd, const QByteArray& bytes, const QString& ruta)
{
    for (qint64 hecho = 0; hecho < bytes.size();) {
        const ssize_t w = ::pwrite(fd, bytes.constData() + hecho, size_t(bytes.size() - hecho), off_t(hecho));
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return Falla::desdeErrno(w < 0 ? errno : ENOSPC, ruta);
        hecho += w;
    }
    return std::nullopt;
}

// In place, for a folder that cannot take a new file: the same inode, so the
// owner and mode stay; the file is cut only after the new text is written.
Estado reescriboEnSuLugar(const QString& ruta, const struct stat& antes, const QByteArray& bytes)
{
    const int fd = ::open(QFile::encodeName(ruta).constData(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return Falla::desdeErrno(errno, ruta);
    struct stat st {};
    Estado e;
    if (::fstat(fd, &st) != 0)
        e = Falla::desdeErrno(errno, ruta);
    else if (st.st_dev != antes.st_dev || st.st_ino != antes.st_ino)
        e = Falla::otra(QStringLiteral("El archivo cambió mientras se lo actualizaba: ") + ruta);
    if (!e)
        e = escriboTodo(fd, bytes, ruta);
    if (!e && ::ftruncate(fd, off_t(bytes.size())) != 0)
        e = Falla::desdeErrno(errno, ruta);
    if (!e && ::fsync(fd) != 0)
        e = Falla::desdeErrno(errno, ruta);
    ::close(fd);
    return e;
}

} // namespace

QString DecodificoTextoIni(const QByteArray& bytes, bool* esUtf8)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString texto = utf8(bytes);
    if (!utf8.hasError()) {
        if (esUtf8)
            *esUtf8 = true;
        if (texto.startsWith(QChar(0xFEFF)))
            texto.remove(0, 1);
        return texto;
    }
    if (esUtf8)
        *esUtf8 = false;
    texto.clear();
    texto.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        texto += (b >= 0x80 && b < 0xA0) ? QChar(kCp1252Alto[b - 0x80]) : QChar(char16_t(b));
    }
    return texto;
}

QByteArray CodificoWindows1252(const QString& texto, bool* completo)
{
    QByteArray bytes;
    bytes.reserve(texto.size());
    if (completo)
        *completo = true;
    for (const QChar c : texto) {
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            bytes += char(u);
            continue;
        }
        char elegido = 0;
        for (int i = 0; i < 32; ++i)
            if (kCp1252Alto[i] == u)
                elegido = char(0x80 + i);
        if (!elegido && completo)
            *completo = false;
        bytes += elegido ? elegido : '?';
    }
    return bytes;
}

QString LeoValorTextoINI(const QByteArray& contenido, const QString& seccion, const QString& clave)
{
    bool dentro = false;
    for (const QString& texto : DecodificoTextoIni(contenido).split(QLatin1Char('\n'))) {
        const Linea l = analizo(texto);
        if (l.tipo == Linea::Seccion)
            dentro = igual(l.nombre, seccion);
        else if (dentro && l.tipo == Linea::Clave && igual(l.nombre, clave))
            return l.valor.left(255);
    }
    return {};
}

QString LeoValorINI(const QString& ruta, const QString& seccion, const QString& clave)
{
    const auto contenido = LeoArchivoIni(ruta);
    return contenido ? LeoValorTextoINI(contenido.valor(), seccion, clave) : QString();
}

QByteArray ActualizoTextoINI(const QByteArray& original, const QString& seccion, const QString& clave,
                             const QString& valor)
{
    bool esUtf8 = true;
    const QString texto = DecodificoTextoIni(original, &esUtf8);
    const bool conMarca = esUtf8 && original.startsWith("\xEF\xBB\xBF");
    // Each line keeps its own ending: files edited by hand mix CRLF and LF.
    struct Renglon {
        QString texto, fin;
    };
    QList<Renglon> renglones;
    for (qsizetype desde = 0; desde < texto.size();) {
        const qsizetype nl = texto.indexOf(QLatin1Char('\n'), desde);
        if (nl < 0) {
            renglones.append({texto.mid(desde), QString()});
            break;
        }
        const bool cr = nl > desde && texto[nl - 1] == QLatin1Char('\r');
        renglones.append(
            {texto.mid(desde, nl - desde - (cr ? 1 : 0)), cr ? QStringLiteral("\r\n") : QStringLiteral("\n")});
        desde = nl + 1;
    }

    qsizetype inicioSeccion = -1, ultimaDeSeccion = -1, lineaClave = -1;
    for (qsizetype i = 0; i < renglones.size() && inicioSeccion < 0; ++i) {
        const Linea l = analizo(renglones[i].texto);
        if (l.tipo == Linea::Seccion && igual(l.nombre, seccion))
            inicioSeccion = ultimaDeSeccion = i;
    }
    for (qsizetype i = inicioSeccion + 1; inicioSeccion >= 0 && i < renglones.size(); ++i) {
        const Linea l = analizo(renglones[i].texto);
        if (l.tipo == Linea::Seccion)
            break;
        if (!renglones[i].texto.trimmed().isEmpty())
            ultimaDeSeccion = i;
        if (l.tipo == Linea::Clave && igual(l.nombre, clave)) {
            lineaClave = i;
            break;
        }
    }
    auto agrego = [&](qsizetype despuesDe, const QString& linea) {
        // A new line takes the ending of the line before it (CRLF in a new file).
        QString fin = QStringLiteral("\r\n");
        if (despuesDe >= 0) {
            if (renglones[despuesDe].fin.isEmpty())
                renglones[despuesDe].fin =
                    despuesDe > 0 && !renglones[despuesDe - 1].fin.isEmpty() ? renglones[despuesDe - 1].fin : fin;
            fin = renglones[despuesDe].fin;
        }
        renglones.insert(despuesDe + 1, {linea, fin});
    };
    if (lineaClave >= 0)
        renglones[lineaClave].texto = analizo(renglones[lineaClave].texto).nombre + QLatin1Char('=') + valor;
    else if (inicioSeccion >= 0)
        agrego(ultimaDeSeccion, clave + QLatin1Char('=') + valor);
    else {
        agrego(renglones.size() - 1, QLatin1Char('[') + seccion + QLatin1Char(']'));
        agrego(renglones.size() - 1, clave + QLatin1Char('=') + valor);
    }

    QString nuevo;
    for (const Renglon& r : renglones)
        nuevo += r.texto + r.fin;
    if (!esUtf8) {
        // Windows-1252 while it can hold every character and still reads back
        // as Windows-1252 (without the line just replaced, its bytes may now
        // pass for UTF-8 and every other key would read otherwise); if not,
        // the whole file moves to UTF-8 rather than write a folder that does
        // not exist.
        bool completo = false;
        const QByteArray ansi = CodificoWindows1252(nuevo, &completo);
        bool pasaPorUtf8 = false;
        DecodificoTextoIni(ansi, &pasaPorUtf8);
        if (completo && (!pasaPorUtf8 || ansi == nuevo.toUtf8()))
            return ansi;
    }
    // A byte-order mark stays where the editor put it.
    return conMarca ? "\xEF\xBB\xBF" + nuevo.toUtf8() : nuevo.toUtf8();
}

bool GuardoCarpetaINI(const QString& ruta, const QString& seccion, const QString& valor)
{
    // A line break would write lines (keys) of its own into the file.
    for (const QChar c : valor)
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c.isNull() || c == QChar(0x2028) || c == QChar(0x2029)
            || c == QChar(0x85))
            return false;
    QByteArray original;
    if (const auto leido = LeoArchivoIni(ruta))
        original = leido.valor();
    else if (leido.falla().tipo != TipoFalla::NoEncontrado)
        return false;
    return !ReescriboArchivoIni(ruta, ActualizoTextoINI(original, seccion, QStringLiteral("PARTGUAR"), valor));
}

Resultado<QByteArray> LeoArchivoIni(const QString& ruta)
{
    const int fd = ::open(QFile::encodeName(ruta).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return Falla::desdeErrno(errno, ruta);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int numero = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        return Falla::desdeErrno(numero, ruta);
    }
    QByteArray bytes;
    char bloque[16384];
    for (;;) {
        const ssize_t r = ::read(fd, bloque, sizeof bloque);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0) {
            const int numero = errno;
            ::close(fd);
            return Falla::desdeErrno(numero, ruta);
        }
        if (r == 0)
            break;
        bytes.append(bloque, r);
        if (bytes.size() > kMaximoIni) {
            ::close(fd);
            return Falla::otra(QStringLiteral("El archivo es demasiado grande para ser un archivo de configuración: ")
                               + ruta);
        }
    }
    ::close(fd);
    return bytes;
}

Estado ReescriboArchivoIni(const QString& ruta, const QByteArray& bytes)
{
    const QByteArray nativo = QFile::encodeName(ruta);
    struct stat antes {};
    const bool existe = ::lstat(nativo.constData(), &antes) == 0;
    if (!existe && errno != ENOENT)
        return Falla::desdeErrno(errno, ruta);
    if (existe && !S_ISREG(antes.st_mode))
        return Falla::otra(QStringLiteral("No se escribe a través de un enlace ni en algo que no es un archivo común: ")
                           + ruta);
    // A read-only file is the owner's guard, also against root: left as it is.
    if (existe && ((antes.st_mode & 0222) == 0 || ::access(nativo.constData(), W_OK) != 0))
        return Falla::desdeErrno(EACCES, ruta);

    // The new text under the temporary name form, renamed onto the file.
    auto temporal = Temporal::creo(CarpetaDeRuta(ruta).isEmpty() ? QStringLiteral(".") : CarpetaDeRuta(ruta));
    if (!temporal) {
        const int numero = temporal.falla().numero;
        if (existe && (numero == EACCES || numero == EPERM || numero == EROFS || numero == ENOSPC || numero == EDQUOT))
            return reescriboEnSuLugar(ruta, antes, bytes);
        return Falla::desdeErrno(numero, ruta);
    }
    ArchivoCrudo& archivo = temporal.valor().archivo();
    if (auto e = archivo.escribo(bytes.constData(), bytes.size()))
        return e;
    // A new file follows the umask; a replacement takes the old one's mode.
    if (existe) {
        const int fd = archivo.descriptor();
        struct stat nuevo {};
        ::fstat(fd, &nuevo);
        // The operator's file stays the operator's, even when root saves it.
        if (((nuevo.st_uid != antes.st_uid || nuevo.st_gid != antes.st_gid)
             && ::fchown(fd, antes.st_uid, antes.st_gid) != 0)
            || ::fchmod(fd, antes.st_mode & 07777) != 0) {
            temporal.valor().descarto();
            return reescriboEnSuLugar(ruta, antes, bytes);
        }
    }
    return temporal.valor().entrego(ruta, existe);
}

bool ExisteIni(const QString& ruta)
{
    struct stat st {};
    return ::stat(QFile::encodeName(ruta).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

Configuracion CargoConfiguracion(const QString& ruta)
{
    Configuracion c;
    c.rutaIni = ruta;
    c.existe = ExisteIni(ruta);
    if (c.existe) {
        const auto contenido = LeoArchivoIni(ruta);
        if (!contenido) {
            c.ilegible = contenido.falla().descripcion;
            return c;
        }
        const QString s = QStringLiteral("NETWORK");
        c.entorno = LeoValorTextoINI(contenido.valor(), s, QStringLiteral("AMBIENTE"));
        c.urlServicio = LeoValorTextoINI(contenido.valor(), s, QStringLiteral("URL"));
        c.carpetaGuardada = LeoValorTextoINI(contenido.valor(), s, QStringLiteral("PARTGUAR"));
    }
    if (c.entorno == QLatin1String("DESA") || c.entorno == QLatin1String("TEST"))
        c.ambiente = Ambiente::Prueba;
    else if (c.entorno == QLatin1String("PROD"))
        c.ambiente = Ambiente::Produccion;
    return c;
}
