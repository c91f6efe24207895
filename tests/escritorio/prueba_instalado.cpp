// The installed application: the package's contents and checks, the file
// type and default application seen by xdg-mime, the completion, and two
// terv processes handing their files to one.
#include "config/archivo_ini.h"
#include "soporte/datos.h"
#include "system/plataforma.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// What a program said on either channel, in salida.
Corrida Corro(const QString& programa, const QStringList& argumentos,
              const QProcessEnvironment& entorno = QProcessEnvironment::systemEnvironment())
{
    Corrida c = CorroPrograma(programa, argumentos, 300000, entorno);
    c.salida += c.errores;
    return c;
}

// One installation into a temporary /usr prefix for the whole suite.
class Instalado : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        raiz_ = new QTemporaryDir;
        const Corrida s =
            Corro(QStringLiteral(TERV_CMAKE),
                  {QStringLiteral("--install"), QStringLiteral(TERV_COMPILACION), QStringLiteral("--prefix"), usr()});
        ASSERT_EQ(s.codigo, 0) << s.salida.toStdString();
    }
    static void TearDownTestSuite() { delete raiz_; }
    static QString raiz() { return raiz_->path(); }
    static QString usr() { return raiz_->filePath(QStringLiteral("usr")); }

    // A desktop session that knows only what was installed here.
    static QProcessEnvironment Escritorio()
    {
        QProcessEnvironment e;
        for (const char* v : {"PATH", "HOME", "LANG", "QT_QPA_PLATFORM"})
            if (qEnvironmentVariableIsSet(v))
                e.insert(QString::fromLatin1(v), qEnvironmentVariable(v));
        e.insert(QStringLiteral("XDG_DATA_DIRS"), usr() + QStringLiteral("/share"));
        e.insert(QStringLiteral("XDG_DATA_HOME"), raiz() + QStringLiteral("/datos"));
        e.insert(QStringLiteral("XDG_CONFIG_HOME"), raiz() + QStringLiteral("/config"));
        e.insert(QStringLiteral("XDG_CONFIG_DIRS"), raiz() + QStringLiteral("/etc/xdg"));
        return e;
    }

private:
    static inline QTemporaryDir* raiz_ = nullptr;
};

// What was installed, run as the desktop and the operator run it: the
// partition's type and its default application as xdg-mime sees them, the
// desktop checkers (a warning is a failure), and terv's --help and --version,
// which answer without a display and before any window; an unknown option is
// a usage error, never a file handed to a running copy. The organisation's
// file lands in /etc beside the /usr prefix, with the demo values commented
// out, and the help in the prefix's share.
TEST_F(Instalado, LoInstaladoResponde)
{
    const QString ini = QString::fromUtf8(LeoArchivo(raiz() + QStringLiteral("/etc/terv/TERV.ini")));
    EXPECT_TRUE(ini.contains(QStringLiteral("\n;AMBIENTE=DESA\n")));
    EXPECT_TRUE(ini.contains(QStringLiteral("\n;URL=http://")));
    EXPECT_TRUE(QFileInfo::exists(usr() + QStringLiteral("/share/terv/AYUDA TERV.hlp")));
    const QString parte = raiz() + QStringLiteral("/informe_0123456789ABCDEF0123456789ABCDEF.zip.part001.002.vesk");
    EscriboArchivo(parte, "x");
    const QString compartidos = usr() + QStringLiteral("/share"), terv = usr() + QStringLiteral("/bin/terv");
    const QString tipo = QStringLiteral("application/x-terv-particion");
    QProcessEnvironment sinPantalla = Escritorio();
    sinPantalla.remove(QStringLiteral("QT_QPA_PLATFORM"));
    const auto S = [](const char* t) { return QString::fromUtf8(t); };
    const struct {
        QString programa;
        QStringList argumentos;
        int codigo;
        QString dice;
        bool todo; // what it says is that alone
    } casos[] = {
        // clang-format off
        {S("update-mime-database"), {compartidos + S("/mime")}, 0, {}, false},
        {S("update-desktop-database"), {compartidos + S("/applications")}, 0, {}, false},
        {S("xdg-mime"), {S("query"), S("filetype"), parte}, 0, tipo, true},
        {S("xdg-mime"), {S("query"), S("default"), tipo}, 0, S("local.terv.TERV.desktop"), true},
        {S("desktop-file-validate"), {compartidos + S("/applications/local.terv.TERV.desktop")}, 0, {}, true},
        {S("appstreamcli"),
         {S("validate"), S("--no-net"), compartidos + S("/metainfo/local.terv.TERV.metainfo.xml")}, 0, {}, false},
        {terv, {S("--help")}, 0, S("Uso: terv"), false},
        {terv, {S("--version")}, 0, S("Versión 1.0 Release 1"), false},
        {terv, {S("--nada")}, 2, S("opción desconocida: --nada"), false},
        // clang-format on
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(qPrintable(c.programa + QLatin1Char(' ') + c.argumentos.first()));
        const Corrida s = Corro(c.programa, c.argumentos, sinPantalla);
        EXPECT_EQ(s.codigo, c.codigo) << qPrintable(s.salida);
        EXPECT_TRUE(c.todo ? s.salida.trimmed() == c.dice : s.salida.contains(c.dice)) << qPrintable(s.salida);
    }
}

// Completion offers every subcommand and every option terv-cli has.
TEST_F(Instalado, CompletadoConTodoLoDeTervCli)
{
    const QString completado =
        QString::fromUtf8(LeoArchivo(usr() + QStringLiteral("/share/bash-completion/completions/terv-cli")));
    ASSERT_FALSE(completado.isEmpty());
    const Corrida ayuda = Corro(QStringLiteral(TERV_CLI), {QStringLiteral("--help")});
    QStringList subcomandos;
    static const QRegularExpression linea(QStringLiteral("^  ([a-z]+) "), QRegularExpression::MultilineOption);
    for (auto m = linea.globalMatch(ayuda.salida); m.hasNext();)
        subcomandos << m.next().captured(1);
    ASSERT_GE(subcomandos.size(), 5) << ayuda.salida.toStdString();
    const QString lista = QRegularExpression(QStringLiteral("subcomandos=\"([^\"]*)\"")).match(completado).captured(1);
    for (const QString& sub : subcomandos) {
        SCOPED_TRACE(sub.toStdString());
        EXPECT_TRUE(lista.split(QLatin1Char(' ')).contains(sub));
        const QString suyas =
            QRegularExpression(QStringLiteral("\\n\\s*") + sub + QStringLiteral("\\) opciones=\"([^\"]*)\""))
                .match(completado)
                .captured(1);
        const Corrida opciones = Corro(QStringLiteral(TERV_CLI), {sub, QStringLiteral("--help")});
        static const QRegularExpression larga(QStringLiteral("(--[a-z][a-z-]*)"));
        for (auto m = larga.globalMatch(opciones.salida); m.hasNext();) {
            const QString o = m.next().captured(1);
            EXPECT_TRUE(suyas.split(QLatin1Char(' ')).contains(o)) << o.toStdString();
        }
    }
}

// A second terv hands its files to the running one and ends; a socket left
// by a copy that died does not stop the next one from starting.
TEST_F(Instalado, DosTervUnaVentana)
{
    if (!CorroboroAdministrador())
        GTEST_SKIP() << "sin permisos de administrador el arranque espera al operador";
    Servicio servicio(QStringLiteral("respuesta"));
    const QString ini = raiz() + QStringLiteral("/etc/terv/TERV.ini");
    const QByteArray instalado = LeoArchivo(ini);
    EscriboArchivo(ini, "[NETWORK]\nAMBIENTE=PROD\nURL=" + servicio.url().toUtf8() + "\n");
    QTemporaryDir corrida; // per-user runtime folder (0700)
    QProcessEnvironment entorno = Escritorio();
    entorno.insert(QStringLiteral("XDG_RUNTIME_DIR"), corrida.path());
    const QString terv = usr() + QStringLiteral("/bin/terv");
    const QString propio = raiz() + QStringLiteral("/config/terv/TERV.ini");
    const auto canal = [&] {
        const QStringList s = QDir(corrida.path()).entryList({QStringLiteral("terv-*.socket")}, QDir::System);
        return s.isEmpty() ? QString() : corrida.filePath(s.first());
    };
    // Waits, while the copy runs, until it listens on its channel.
    const auto escucha = [&](QProcess& p) {
        p.setProcessEnvironment(entorno);
        p.start(terv, {});
        for (QLocalSocket s; p.state() != QProcess::NotRunning; p.waitForFinished(50)) {
            s.connectToServer(canal());
            if (s.waitForConnected())
                return true;
        }
        return false;
    };
    // Verifying a stamped name remembers its folder: the running copy's trace.
    const auto comprueboEn = [&](QProcess& p, const QString& carpeta) {
        QDir().mkpath(carpeta);
        const QString sellado =
            EscriboArchivo(carpeta + QStringLiteral("/envio_0123456789ABCDEF0123456789ABCDEF.zip"), "z");
        const Corrida s = Corro(terv, {QStringLiteral("--comprobar"), sellado}, entorno);
        EXPECT_EQ(s.codigo, 0) << qPrintable(s.salida);
        const auto guardada = [&] {
            return LeoValorINI(propio, QStringLiteral("NETWORK"), QStringLiteral("PARTGUAR"));
        };
        while (guardada() != carpeta + QLatin1Char('/') && p.state() == QProcess::Running)
            p.waitForFinished(50);
        EXPECT_EQ(guardada(), carpeta + QLatin1Char('/'));
    };

    QProcess primera;
    ASSERT_TRUE(escucha(primera));
    // Five files opened at once: five short-lived copies, one window that
    // still serves.
    QProcess otras[5];
    for (int i = 0; i < 5; ++i) {
        otras[i].setProcessEnvironment(entorno);
        otras[i].start(terv, {EscriboArchivo(raiz() + QStringLiteral("/a%1.txt").arg(i), "a")});
    }
    for (QProcess& p : otras) {
        EXPECT_TRUE(p.waitForFinished(-1));
        EXPECT_EQ(p.exitCode(), 0);
    }
    comprueboEn(primera, raiz() + QStringLiteral("/uno"));

    // Killed outright, it leaves its socket behind; the next copy takes over.
    primera.kill();
    primera.waitForFinished(-1);
    ASSERT_FALSE(canal().isEmpty());
    QProcess segunda;
    ASSERT_TRUE(escucha(segunda));
    comprueboEn(segunda, raiz() + QStringLiteral("/dos"));
    segunda.terminate();
    EXPECT_TRUE(segunda.waitForFinished(-1));
    EscriboArchivo(ini, instalado);
}

// terv-cli integrar: the four Nautilus scripts, executable, calling terv with
// the action and "--"; the operator's own file or link at a script's name is
// kept (exit 1, said on stderr), never written through; --quitar removes only
// the scripts it wrote.
TEST(Integracion, GuionesDeNautilus)
{
    QTemporaryDir datos;
    QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
    entorno.insert(QStringLiteral("XDG_DATA_HOME"), datos.path());
    const QString carpeta = datos.filePath(QStringLiteral("nautilus/scripts/TERV"));
    QDir().mkpath(carpeta);
    const QString ajeno = EscriboArchivo(datos.filePath(QStringLiteral("ajeno.sh")), "no tocar");
    QFile::link(ajeno, carpeta + QStringLiteral("/Unir particiones"));
    EscriboArchivo(carpeta + QStringLiteral("/mio.sh"), "mio");
    EscriboArchivo(carpeta + QStringLiteral("/Sellar con código hash"), "#!/bin/sh\necho mio\n");

    const Corrida s = Corro(QStringLiteral(TERV_CLI), {QStringLiteral("integrar")}, entorno);
    ASSERT_EQ(s.codigo, 1) << s.salida.toStdString();
    EXPECT_TRUE(s.salida.contains(QStringLiteral("no se reemplaza"))) << s.salida.toStdString();
    EXPECT_EQ(LeoArchivo(carpeta + QStringLiteral("/Sellar con código hash")), QByteArray("#!/bin/sh\necho mio\n"));
    EXPECT_TRUE(QFileInfo(carpeta + QStringLiteral("/Unir particiones")).isSymLink());
    const std::pair<const char*, const char*> guiones[] = {
        // clang-format off
        {"Comprobar código hash", "--comprobar"},
        {"Comprimir para publicar", "--comprimir"},
        // clang-format on
    };
    for (const auto& [nombre, opcion] : guiones) {
        SCOPED_TRACE(nombre);
        const QFileInfo g(carpeta + QLatin1Char('/') + QString::fromUtf8(nombre));
        EXPECT_TRUE(g.isFile() && !g.isSymLink());
        EXPECT_TRUE(g.isExecutable());
        EXPECT_FALSE(g.permissions() & QFileDevice::WriteOther); // the umask holds
        const QByteArray texto = LeoArchivo(g.filePath());
        EXPECT_TRUE(texto.startsWith("#!/bin/sh\n"));
        EXPECT_TRUE(texto.contains(QByteArray("/terv' " + QByteArray(opcion) + " -- \"$@\"\n"))) << texto.toStdString();
    }
    EXPECT_EQ(LeoArchivo(ajeno), QByteArray("no tocar"));

    ASSERT_EQ(Corro(QStringLiteral(TERV_CLI), {QStringLiteral("integrar"), QStringLiteral("--quitar")}, entorno).codigo,
              0);
    QStringList quedan = QDir(carpeta).entryList(QDir::Files | QDir::System);
    quedan.sort();
    EXPECT_EQ(quedan,
              (QStringList{QStringLiteral("Sellar con código hash"), QStringLiteral("Unir particiones"),
                           QStringLiteral("mio.sh")}));
}

} // namespace
