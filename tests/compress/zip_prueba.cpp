#include "compress/zip_prueba.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <sys/stat.h>

namespace {

// Whatever the reader says, on either channel, however long it takes.
Corrida Corro(const QString& programa, const QStringList& args)
{
    Corrida c = CorroPrograma(programa, args, -1);
    c.salida += c.errores;
    return c;
}

Corrida Python(const char* guion, const QString& zip)
{
    return Corro(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromUtf8(guion), zip});
}

} // namespace

QByteArray Extraigo(const QString& zip, const QString& entrada)
{
    QProcess p;
    // unzip matches a UTF-8 entry name only in a UTF-8 locale, whatever runs the tests.
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    p.setProcessEnvironment(entorno);
    p.start(QStringLiteral("unzip"), {QStringLiteral("-p"), zip, entrada});
    p.waitForFinished(-1);
    return p.readAllStandardOutput();
}

QString LeoConTresLectores(const QString& zip)
{
    const Corrida python = Python("import sys, zipfile\n"
                                  "malo = zipfile.ZipFile(sys.argv[1]).testzip()\n"
                                  "sys.exit('CRC errado: ' + malo if malo else 0)\n",
                                  zip);
    if (python.codigo != 0)
        return QStringLiteral("zipfile: ") + python.salida;
    const Corrida unzip = Corro(QStringLiteral("unzip"), {QStringLiteral("-tqq"), zip});
    if (unzip.codigo != 0)
        return QStringLiteral("unzip -t: ") + unzip.salida;
    const Corrida siete = Corro(QStringLiteral("7z"), {QStringLiteral("t"), zip});
    if (siete.codigo != 0 || !siete.salida.contains(QStringLiteral("Everything is Ok")))
        return QStringLiteral("7z t: ") + siete.salida;
    return {};
}

QStringList Detalle(const QString& zip)
{
    const Corrida s =
        Python("import sys, zipfile\n"
               "for i in zipfile.ZipFile(sys.argv[1]).infolist():\n"
               "    y, m, d, h, mi, se = i.date_time\n"
               "    linea = '%s|%d|%d|%o|%d|%04d-%02d-%02d %02d:%02d:%02d\\n' % (i.filename, i.compress_type,\n"
               "        (i.flag_bits >> 11) & 1, i.external_attr >> 16, i.file_size, y, m, d, h, mi, se)\n"
               "    sys.stdout.buffer.write(linea.encode('utf-8'))\n",
               zip);
    return s.salida.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString DetalleEsperado(const QString& ruta, int metodo)
{
    const QFileInfo info(ruta);
    struct stat st {};
    ::stat(QFile::encodeName(ruta).constData(), &st);
    const QString nombre = info.fileName();
    const bool ascii = std::all_of(nombre.begin(), nombre.end(), [](QChar c) { return c.unicode() < 0x80; });
    // MS-DOS time: local, in steps of two seconds.
    QDateTime cuando = info.lastModified();
    cuando = cuando.addSecs(-(cuando.time().second() % 2));
    return QStringLiteral("%1|%2|%3|%4|%5|%6")
        .arg(nombre)
        .arg(metodo)
        .arg(ascii ? 0 : 1)
        .arg(QString::number(st.st_mode, 8))
        .arg(info.size())
        .arg(cuando.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
}

QStringList Todo(const QString& carpeta)
{
    return QDir(carpeta).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}
