// The installed application: the package's contents and checks, the file
// type and default application seen by xdg-mime, the completion, and two
// terv processes handing their files to one.
#include "config/archivo_ini.h"
#include "soporte/datos.h"
#include "system/plataforma.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

namespace {

struct Salida {
    int codigo = -1;
    QString texto; // standard output and error
};

Salida Corro(const QString& programa, const QStringList& argumentos, const QProcessEnvironment& entorno = QProcessEnvironment::systemEnvironment(),
             int esperaMs = 300000)
{
    const Corrida c = CorroPrograma(programa, argumentos, esperaMs, entorno);
    return {c.codigo, c.salida + c.errores};
}

// One installation into a temporary /usr prefix for the whole suite.
class Instalado : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        raiz_ = new QTemporaryDir;
        const Salida s = Corro(QStringLiteral(TERV_CMAKE),
                               {QStringLiteral("--install"), QStringLiteral(TERV_COMPILACION), QStringLiteral("--prefix"), usr()});
        ASSERT_EQ(s.codigo, 0) << s.texto.toStdString();
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

TEST_F(Instalado, TipoDeParticionYAplicacionPorDefecto)
{
    ASSERT_EQ(Corro(QStringLiteral("update-mime-database"), {usr() + QStringLiteral("/share/mime")}).codigo, 0);
    ASSERT_EQ(Corro(QStringLiteral("update-desktop-database"), {usr() + QStringLiteral("/share/applications")}).codigo, 0);
    const QString parte = EscriboArchivo(raiz() + QStringLiteral("/informe_0123456789ABCDEF0123456789ABCDEF.zip.part001.002.vesk"), "x");
    const Salida tipo = Corro(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("filetype"), parte}, Escritorio());
    EXPECT_EQ(tipo.texto.trimmed(), QStringLiteral("application/x-terv-particion"));
    const Salida app =
        Corro(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("application/x-terv-particion")}, Escritorio());
    EXPECT_EQ(app.texto.trimmed(), QStringLiteral("terv.desktop"));
}

// The organisation's file lands in /etc beside the /usr prefix, with the demo
// values commented out.
TEST_F(Instalado, IniDelEquipoComentado)
{
    const QString ini = raiz() + QStringLiteral("/etc/terv/TERV.ini");
    ASSERT_TRUE(QFileInfo::exists(ini));
    const QString texto = QString::fromUtf8(LeoArchivo(ini));
    EXPECT_TRUE(texto.contains(QStringLiteral("\n;AMBIENTE=DESA\n")));
    EXPECT_TRUE(texto.contains(QStringLiteral("\n;URL=http://")));
    EXPECT_TRUE(QFileInfo::exists(usr() + QStringLiteral("/share/terv/AYUDA TERV.hlp")));
}

// Completion offers every subcommand and every option terv-cli has.
TEST_F(Instalado, CompletadoConTodoLoDeTervCli)
{
    const QString completado = QString::fromUtf8(LeoArchivo(usr() + QStringLiteral("/share/bash-completion/completions/terv-cli")));
    ASSERT_FALSE(completado.isEmpty());
    const Salida ayuda = Corro(QStringLiteral(TERV_CLI), {QStringLiteral("--help")});
    QStringList subcomandos;
    static const QRegularExpression linea(QStringLiteral("^  ([a-z]+) "), QRegularExpression::MultilineOption);
    for (auto m = linea.globalMatch(ayuda.texto); m.hasNext();)
        subcomandos << m.next().captured(1);
    ASSERT_GE(subcomandos.size(), 5) << ayuda.texto.toStdString();
    const QString lista = QRegularExpression(QStringLiteral("subcomandos=\"([^\"]*)\"")).match(completado).captured(1);
    for (const QString& sub : subcomandos) {
        SCOPED_TRACE(sub.toStdString());
        EXPECT_TRUE(lista.split(QLatin1Char(' ')).contains(sub));
        const QString suyas =
            QRegularExpression(QStringLiteral("\\n\\s*") + sub + QStringLiteral("\\) opciones=\"([^\"]*)\"")).match(completado).captured(1);
        const Salida opciones = Corro(QStringLiteral(TERV_CLI), {sub, QStringLiteral("--help")});
        static const QRegularExpression larga(QStringLiteral("(--[a-z][a-z-]*)"));
        for (auto m = larga.globalMatch(opciones.texto); m.hasNext();) {
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
    const auto canalEn = [&] {
        const QStringList s = QDir(corrida.path()).entryList({QStringLiteral("terv-*.socket")}, QDir::System);
        return s.isEmpty() ? QString() : corrida.filePath(s.first());
    };
    const QString propio = raiz() + QStringLiteral("/config/terv/TERV.ini");

    const auto arranco = [&](QProcess& p) {
        p.setProcessEnvironment(entorno);
        p.start(terv, {});
        p.waitForStarted();
        for (int i = 0; i < 100 && canalEn().isEmpty(); ++i)
            QThread::msleep(100);
        return !canalEn().isEmpty();
    };
    // Verifying a stamped name remembers its folder: the running copy's trace.
    const auto comprueboEn = [&](const QString& carpeta) {
        QDir().mkpath(carpeta);
        const QString sellado = EscriboArchivo(carpeta + QStringLiteral("/envio_0123456789ABCDEF0123456789ABCDEF.zip"), "z");
        const Salida s = Corro(terv, {QStringLiteral("--comprobar"), sellado}, entorno, 20000);
        EXPECT_EQ(s.codigo, 0) << s.texto.toStdString();
        QString guardada;
        for (int i = 0; i < 100 && guardada != carpeta + QLatin1Char('/'); ++i) {
            QThread::msleep(100);
            guardada = LeoValorINI(propio, QStringLiteral("NETWORK"), QStringLiteral("PARTGUAR"));
        }
        EXPECT_EQ(guardada, carpeta + QLatin1Char('/'));
    };

    QProcess primera;
    ASSERT_TRUE(arranco(primera));
    comprueboEn(raiz() + QStringLiteral("/uno"));

    // Five files opened at once: five short-lived copies, one window.
    QList<QProcess*> otras;
    for (int i = 0; i < 5; ++i) {
        auto* p = new QProcess;
        p->setProcessEnvironment(entorno);
        p->start(terv, {EscriboArchivo(raiz() + QStringLiteral("/a%1.txt").arg(i), "a")});
        otras << p;
    }
    for (QProcess* p : otras) {
        EXPECT_TRUE(p->waitForFinished(20000));
        EXPECT_EQ(p->exitCode(), 0);
        delete p;
    }
    EXPECT_FALSE(primera.waitForFinished(500)); // still the one window

    // Killed outright, it leaves its socket behind; the next copy takes over.
    ::kill(pid_t(primera.processId()), SIGKILL);
    primera.waitForFinished();
    ASSERT_FALSE(canalEn().isEmpty());
    QProcess segunda;
    segunda.setProcessEnvironment(entorno);
    segunda.start(terv, {});
    EXPECT_FALSE(segunda.waitForFinished(1500));
    comprueboEn(raiz() + QStringLiteral("/dos"));
    segunda.terminate();
    EXPECT_TRUE(segunda.waitForFinished(10000));
    EscriboArchivo(ini, instalado);
}

// terv-cli integrar: the four Nautilus scripts, executable, calling terv with
// the action; a link planted at a script's name is replaced, not written
// through; --quitar removes only them.
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

    const Salida s = Corro(QStringLiteral(TERV_CLI), {QStringLiteral("integrar")}, entorno);
    ASSERT_EQ(s.codigo, 0) << s.texto.toStdString();
    const std::pair<const char*, const char*> guiones[] = {
        {"Sellar con código hash", "--sellar"},
        {"Comprobar código hash", "--comprobar"},
        {"Unir particiones", "--unir"},
        {"Comprimir para publicar", "--comprimir"},
    };
    for (const auto& [nombre, opcion] : guiones) {
        SCOPED_TRACE(nombre);
        const QFileInfo g(carpeta + QLatin1Char('/') + QString::fromUtf8(nombre));
        EXPECT_TRUE(g.isFile() && !g.isSymLink());
        EXPECT_TRUE(g.isExecutable());
        EXPECT_FALSE(g.permissions() & QFileDevice::WriteOther); // the umask holds
        const QByteArray texto = LeoArchivo(g.filePath());
        EXPECT_TRUE(texto.startsWith("#!/bin/sh\n"));
        EXPECT_TRUE(texto.contains(QByteArray("/terv' " + QByteArray(opcion) + " \"$@\"\n"))) << texto.toStdString();
    }
    EXPECT_EQ(LeoArchivo(ajeno), QByteArray("no tocar"));

    ASSERT_EQ(Corro(QStringLiteral(TERV_CLI), {QStringLiteral("integrar"), QStringLiteral("--quitar")}, entorno).codigo, 0);
    EXPECT_EQ(QDir(carpeta).entryList(QDir::Files), QStringList{QStringLiteral("mio.sh")});
}

// The package: built in the test build, its file list exact, its control
// data right, and the desktop checkers and lintian without errors.
TEST(Paquete, ContenidoYControles)
{
    QTemporaryDir salida;
    const Salida cpack = Corro(QStringLiteral(TERV_CPACK), {QStringLiteral("--config"), QStringLiteral(TERV_COMPILACION "/CPackConfig.cmake"),
                                                          QStringLiteral("-B"), salida.path()});
    ASSERT_EQ(cpack.codigo, 0) << cpack.texto.toStdString();
    const QStringList debs = QDir(salida.path()).entryList({QStringLiteral("terv_*.deb")}, QDir::Files);
    ASSERT_EQ(debs, QStringList{QStringLiteral("terv_" TERV_VERSION_TEXTO "_amd64.deb")});
    const QString deb = salida.filePath(debs.first());

    QStringList archivos;
    const Salida lista = Corro(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), deb});
    for (const QString& l : lista.texto.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString ruta = l.mid(l.indexOf(QStringLiteral(" ./")) + 2);
        if (!ruta.endsWith(QLatin1Char('/')))
            archivos << ruta;
        if (ruta == QLatin1String("/usr/bin/terv") || ruta == QLatin1String("/usr/bin/terv-cli")) {
            EXPECT_TRUE(l.startsWith(QStringLiteral("-rwxr-xr-x root/root"))) << l.toStdString();
        }
    }
    archivos.sort();
    QStringList esperados{
        QStringLiteral("/etc/terv/TERV.ini"),
        QStringLiteral("/usr/bin/terv"),
        QStringLiteral("/usr/bin/terv-cli"),
        QStringLiteral("/usr/share/applications/terv.desktop"),
        QStringLiteral("/usr/share/bash-completion/completions/terv"),
        QStringLiteral("/usr/share/bash-completion/completions/terv-cli"),
        QStringLiteral("/usr/share/doc/terv/changelog.gz"),
        QStringLiteral("/usr/share/doc/terv/copyright"),
        QStringLiteral("/usr/share/icons/hicolor/scalable/apps/terv.svg"),
        QStringLiteral("/usr/share/icons/hicolor/scalable/mimetypes/application-x-terv-particion.svg"),
        QStringLiteral("/usr/share/kio/servicemenus/terv-particion.desktop"),
        QStringLiteral("/usr/share/kio/servicemenus/terv.desktop"),
        QStringLiteral("/usr/share/man/man1/terv-cli.1.gz"),
        QStringLiteral("/usr/share/man/man1/terv.1.gz"),
        QStringLiteral("/usr/share/metainfo/local.terv.TERV.metainfo.xml"),
        QStringLiteral("/usr/share/mime/packages/terv.xml"),
        QStringLiteral("/usr/share/nemo/actions/terv-comprimir.nemo_action"),
        QStringLiteral("/usr/share/nemo/actions/terv-comprobar.nemo_action"),
        QStringLiteral("/usr/share/nemo/actions/terv-sellar.nemo_action"),
        QStringLiteral("/usr/share/nemo/actions/terv-unir.nemo_action"),
        QStringLiteral("/usr/share/terv/AYUDA TERV.hlp"),
    };
    for (const int lado : {16, 24, 32, 48, 64, 128, 256})
        esperados << QStringLiteral("/usr/share/icons/hicolor/%1x%1/apps/terv.png").arg(lado);
    esperados.sort();
    EXPECT_EQ(archivos, esperados);

    const QString depende = Corro(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), deb, QStringLiteral("Depends")}).texto;
    for (const char* d : {"zlib1g", "libqt6widgets6", "libqt6network6", "libc6"})
        EXPECT_TRUE(depende.contains(QString::fromLatin1(d))) << depende.toStdString();
    // Archives are written in-process: no zip program to depend on.
    EXPECT_FALSE(depende.contains(QStringLiteral("zip"))) << depende.toStdString();
    QTemporaryDir control;
    ASSERT_EQ(Corro(QStringLiteral("dpkg-deb"), {QStringLiteral("-e"), deb, control.path()}).codigo, 0);
    EXPECT_EQ(LeoArchivo(control.filePath(QStringLiteral("conffiles"))).trimmed(), QByteArray("/etc/terv/TERV.ini"));

    QTemporaryDir arbol;
    ASSERT_EQ(Corro(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), deb, arbol.path()}).codigo, 0);
    const Salida escritorio = Corro(QStringLiteral("desktop-file-validate"), {arbol.filePath(QStringLiteral("usr/share/applications/terv.desktop"))});
    EXPECT_EQ(escritorio.codigo, 0) << escritorio.texto.toStdString();
    EXPECT_TRUE(escritorio.texto.trimmed().isEmpty()) << escritorio.texto.toStdString();
    const Salida appstream = Corro(QStringLiteral("appstreamcli"),
                                   {QStringLiteral("validate"), QStringLiteral("--no-net"),
                                    arbol.filePath(QStringLiteral("usr/share/metainfo/local.terv.TERV.metainfo.xml"))});
    EXPECT_EQ(appstream.codigo, 0) << appstream.texto.toStdString();
    const Salida lintian = Corro(QStringLiteral("lintian"), {QStringLiteral("--tag-display-limit"), QStringLiteral("0"), deb});
    EXPECT_FALSE(QRegularExpression(QStringLiteral("^E: "), QRegularExpression::MultilineOption).match(lintian.texto).hasMatch())
        << lintian.texto.toStdString();
}

} // namespace
