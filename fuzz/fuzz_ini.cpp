// The INI reader and writer: the first line of the input is a folder, the rest
// a file. Writing the folder and reading it back gives the folder, and the
// other keys read as before.
#include "config/archivo_ini.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n)
{
    const QByteArray entrada(reinterpret_cast<const char*>(datos), qsizetype(n));
    const qsizetype corte = entrada.indexOf('\n');
    QString valor = QString::fromUtf8(entrada.left(corte < 0 ? entrada.size() : corte));
    const QByteArray archivo = corte < 0 ? QByteArray() : entrada.mid(corte + 1);
    // Folders are single lines without surrounding blanks or quotes.
    valor.removeIf(
        [](QChar c) { return c.unicode() < 0x20 || c.isSurrogate() || c == QChar(0xFFFD) || c == QChar(0xFEFF); });
    valor = valor.left(255).trimmed();
    // A value the reader would unquote (double or single) is not a folder we write.
    while (valor.startsWith(QLatin1Char('"')) || valor.startsWith(QLatin1Char('\'')))
        valor = valor.mid(1).trimmed();

    const QString s = QStringLiteral("NETWORK");
    const QString url = LeoValorTextoINI(archivo, s, QStringLiteral("URL"));
    const QString ambiente = LeoValorTextoINI(archivo, s, QStringLiteral("AMBIENTE"));
    const QByteArray nuevo = ActualizoTextoINI(archivo, s, QStringLiteral("PARTGUAR"), valor);
    if (LeoValorTextoINI(nuevo, s, QStringLiteral("PARTGUAR")) != valor.trimmed())
        std::abort();
    if (LeoValorTextoINI(nuevo, s, QStringLiteral("URL")) != url
        || LeoValorTextoINI(nuevo, s, QStringLiteral("AMBIENTE")) != ambiente)
        std::abort();
    return 0;
}
