#include "config/archivo_ini.h"

#include "config/compartido.h"
#include "system/archivos.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringList>

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
        if (l.valor.size() >= 2 && l.valor.startsWith(QLatin1Char('"')) && l.valor.endsWith(QLatin1Char('"')))
            l.valor = l.valor.mid(1, l.valor.size() - 2);
    }
    return l;
}

bool igual(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

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

QByteArray CodificoWindows1252(const QString& texto)
{
    QByteArray bytes;
    bytes.reserve(texto.size());
    for (const QChar c : texto) {
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            bytes += char(u);
            continue;
        }
        char elegido = '?';
        for (int i = 0; i < 32; ++i)
            if (kCp1252Alto[i] == u)
                elegido = char(0x80 + i);
        bytes += elegido;
    }
    return bytes;
}

QString LeoValorINI(const QString& ruta, const QString& seccion, const QString& clave)
{
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::ReadOnly))
        return {};
    const QStringList lineas = DecodificoTextoIni(archivo.readAll()).split(QLatin1Char('\n'));
    bool dentro = false;
    for (const QString& texto : lineas) {
        const Linea l = analizo(texto);
        if (l.tipo == Linea::Seccion)
            dentro = igual(l.nombre, seccion);
        else if (dentro && l.tipo == Linea::Clave && igual(l.nombre, clave))
            return l.valor.left(255);
    }
    return {};
}

bool GuardoCarpetaINI(const QString& ruta, const QString& seccion, const QString& valor)
{
    compartido().CarpetaGuardada = valor;
    const QString clave = QStringLiteral("PARTGUAR");

    QByteArray original;
    bool esUtf8 = true;
    {
        QFile archivo(ruta);
        if (archivo.exists() && !archivo.open(QIODevice::ReadOnly))
            return false;
        if (archivo.isOpen())
            original = archivo.readAll();
    }
    const QString texto = DecodificoTextoIni(original, &esUtf8);
    const QString fin = (texto.contains(QStringLiteral("\r\n")) || texto.isEmpty()) ? QStringLiteral("\r\n")
                                                                                    : QStringLiteral("\n");
    QStringList lineas = texto.split(fin);
    const bool terminaEnFin = !texto.isEmpty() && texto.endsWith(fin);
    if (terminaEnFin)
        lineas.removeLast();
    if (texto.isEmpty())
        lineas.clear();

    qsizetype inicioSeccion = -1, ultimaDeSeccion = -1, lineaClave = -1;
    for (qsizetype i = 0; i < lineas.size() && inicioSeccion < 0; ++i) {
        const Linea l = analizo(lineas[i]);
        if (l.tipo == Linea::Seccion && igual(l.nombre, seccion))
            inicioSeccion = ultimaDeSeccion = i;
    }
    for (qsizetype i = inicioSeccion + 1; inicioSeccion >= 0 && i < lineas.size(); ++i) {
        const Linea l = analizo(lineas[i]);
        if (l.tipo == Linea::Seccion)
            break;
        if (!lineas[i].trimmed().isEmpty())
            ultimaDeSeccion = i;
        if (l.tipo == Linea::Clave && igual(l.nombre, clave)) {
            lineaClave = i;
            break;
        }
    }
    if (lineaClave >= 0) {
        const Linea l = analizo(lineas[lineaClave]);
        lineas[lineaClave] = l.nombre + QLatin1Char('=') + valor;
    } else if (inicioSeccion >= 0) {
        lineas.insert(ultimaDeSeccion + 1, clave + QLatin1Char('=') + valor);
    } else {
        lineas << QLatin1Char('[') + seccion + QLatin1Char(']') << clave + QLatin1Char('=') + valor;
    }

    const QString nuevo = lineas.join(fin) + fin;
    QSaveFile salida(ruta);
    if (!salida.open(QIODevice::WriteOnly))
        return false;
    salida.write(esUtf8 ? nuevo.toUtf8() : CodificoWindows1252(nuevo));
    return salida.commit();
}

Configuracion CargoConfiguracion()
{
    Configuracion c;
    Compartido& v = compartido();
    c.existe = ExisteArchivoComun(v.RutaIni);
    if (c.existe) {
        const QString s = QStringLiteral("NETWORK");
        c.entorno = LeoValorINI(v.RutaIni, s, QStringLiteral("AMBIENTE"));
        v.UrlServicio = LeoValorINI(v.RutaIni, s, QStringLiteral("URL"));
        v.CarpetaGuardada = LeoValorINI(v.RutaIni, s, QStringLiteral("PARTGUAR"));
    }
    if (c.entorno == QLatin1String("DESA") || c.entorno == QLatin1String("TEST"))
        c.ambiente = Ambiente::Prueba;
    else if (c.entorno == QLatin1String("PROD"))
        c.ambiente = Ambiente::Produccion;
    return c;
}
