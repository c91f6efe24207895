#include "config/pantallas/compartido.h"
#include "hash/pantallas/frmagregohash.h"
#include "hash/pantallas/frmcorroborohash.h"
#include "hash/nombre_hash.h"
#include "soporte/controles.h"
#include "soporte/utiles.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(PantallaAgregoHash, EstampaElArchivoElegido)
{
    Escenario e;
    compartido().TamanoMaximoMB = 20;
    QTemporaryDir d;
    const QByteArray datos = Datos(3 << 20);
    const QString ruta = EscriboArchivo(d.filePath(QStringLiteral("envio.zip")), datos);
    const QString sellado = QStringLiteral("envio_") + Md5sum(ruta) + QStringLiteral(".zip");

    FrmAgregoHash f(e.ctx);
    f.show();
    EXPECT_EQ(Control<QLineEdit>(f, "txtTamMB")->text(), QStringLiteral("20"));
    e.dialogos.archivos.push_back(ruta);
    QTest::mouseClick(Control<QPushButton>(f, "Command1_0"), Qt::LeftButton);
    EXPECT_EQ(Control<QLineEdit>(f, "Text1")->text(), ruta);
    EXPECT_FALSE(Control<QLabel>(f, "lblnoesZip")->isVisible());
    EXPECT_EQ(Control<QLabel>(f, "Label1_2")->text(), QStringLiteral("Tamaño del archivo es de: 3145728 Bytes"));
    QTest::mouseClick(Control<QPushButton>(f, "Command1_2"), Qt::LeftButton);

    ASSERT_EQ(e.dialogos.vistas.size(), 1);
    EXPECT_EQ(e.dialogos.vistas[0].titulo, QStringLiteral("Generación de Hash Correcta"));
    EXPECT_EQ(e.dialogos.vistas[0].texto,
              QStringLiteral("Hash generado exitosamente\r\nNombre del archivo generado:") + sellado);
    EXPECT_EQ(Archivos(d.path()), QStringList{sellado});
    EXPECT_EQ(LeoArchivo(d.filePath(sellado)), datos);
    EXPECT_EQ(Control<QLabel>(f, "lblEspere")->text(), QStringLiteral("Generación de Hash finalizada"));
    EXPECT_TRUE(Control<QPushButton>(f, "Command1_2")->isEnabled());
}

// Refusals: each leaves the file untouched and says why, with its own title.
TEST(PantallaAgregoHash, Rechazos)
{
    struct Caso {
        const char* nombre;
        qint64 tamano;
        qint32 maximoMB;
        const char* titulo;
        const char* texto;
        bool vuelveAlMenu;
    } casos[] = {
        {"grande.zip", (2 << 20) + 1, 2, "Incompatibilidad de Tamaños",
         "El archivo que quiere generar supera el tamaño máximo permitido. En este caso debe ingresar por la Opción "
         "\"particionar\" del Menú Principal",
         true},
        {"sinpunto", 10, 2, "ERROR", "El archivo seleccionado no tiene ninguna extención válida", false},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        Escenario e;
        compartido().TamanoMaximoMB = c.maximoMB;
        QTemporaryDir d;
        const QString ruta = EscriboArchivo(d.filePath(QString::fromLatin1(c.nombre)), Datos(c.tamano));
        FrmAgregoHash f(e.ctx);
        QSignalSpy menu(&f, &PantallaTrabajo::vuelvoAlMenu);
        f.eligoArchivo(ruta);
        if (!c.vuelveAlMenu)
            QTest::mouseClick(Control<QPushButton>(f, "Command1_2"), Qt::LeftButton);
        ASSERT_EQ(e.dialogos.vistas.size(), 1);
        EXPECT_EQ(e.dialogos.vistas[0].titulo, QString::fromUtf8(c.titulo));
        EXPECT_EQ(e.dialogos.vistas[0].texto, QString::fromUtf8(c.texto));
        EXPECT_EQ(menu.count(), c.vuelveAlMenu ? 1 : 0);
        EXPECT_EQ(Archivos(d.path()), QStringList{QString::fromLatin1(c.nombre)});
    }
}

TEST(PantallaAgregoHash, TamanoNoPuedeSuperarElMaximo)
{
    Escenario e;
    compartido().TamanoMaximoMB = 20;
    FrmAgregoHash f(e.ctx);
    Control<QLineEdit>(f, "txtTamMB")->setText(QStringLiteral("25"));
    ASSERT_EQ(e.dialogos.vistas.size(), 1);
    EXPECT_EQ(e.dialogos.vistas[0].titulo, QStringLiteral("TERV"));
    EXPECT_EQ(e.dialogos.vistas[0].texto, QStringLiteral("El tamaño de las particiones no puede superar los 20 MB"));
    EXPECT_TRUE(Control<QLineEdit>(f, "txtTamMB")->text().isEmpty());
    Control<QLineEdit>(f, "txtTamMB")->setText(QStringLiteral("1a"));
    EXPECT_EQ(Control<QLineEdit>(f, "txtTamMB")->text(), QStringLiteral("1"));
    // Either decimal separator stands, whatever the system's language.
    Control<QLineEdit>(f, "txtTamMB")->setText(QStringLiteral("2.5"));
    EXPECT_EQ(Control<QLineEdit>(f, "txtTamMB")->text(), QStringLiteral("2.5"));
    // The box never changes the shared maximum that other screens read.
    EXPECT_EQ(compartido().TamanoMaximoMB, 20);
}

// The three endings of a check: correct, wrong and kept, wrong and corrected.
TEST(PantallaCorroboroHash, CorrectoInvalidoYCorregido)
{
    struct Caso {
        const char* nombre;
        bool hashBueno;
        Respuesta respuesta;
        QStringList titulos;
        bool renombrado;
    } casos[] = {
        {"bueno", true, Respuesta::No, {QStringLiteral("Corroboración de HASH")}, false},
        {"se queda", false, Respuesta::No, {QStringLiteral("Atención"), QStringLiteral("HASH inválido")}, false},
        {"se corrige", false, Respuesta::Si, {QStringLiteral("Atención"), QStringLiteral("Corroboración de HASH")}, true},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        Escenario e;
        QTemporaryDir d;
        const QByteArray datos = Datos(5000);
        const QString tmp = EscriboArchivo(d.filePath(QStringLiteral("t")), datos);
        const QString real = Md5sum(tmp);
        QFile::remove(tmp);
        const QString enNombre = c.hashBueno ? real : QString(32, QLatin1Char('0'));
        const QString ruta = EscriboArchivo(d.filePath(QStringLiteral("rec_") + enNombre + QStringLiteral(".zip")), datos);

        FrmCorroboroHash f(e.ctx);
        e.dialogos.archivos.push_back(ruta);
        QTest::mouseClick(Control<QPushButton>(f, "Command1_0"), Qt::LeftButton);
        e.dialogos.respuestas.push_back(c.respuesta);
        QTest::mouseClick(Control<QPushButton>(f, "Command1_1"), Qt::LeftButton);

        EXPECT_EQ(e.dialogos.titulos(), c.titulos);
        if (!c.hashBueno) {
            const CajaVista& pregunta = e.dialogos.vistas[0];
            EXPECT_EQ(pregunta.botones, Botones::SiNo);
            EXPECT_EQ(pregunta.porDefecto, Respuesta::No);
            EXPECT_EQ(pregunta.texto, QStringLiteral("El HASH obtenido del archivo solicitado no es valido\r\n(HASH del archivo: ")
                                          + real + QStringLiteral("\r\nHASH obtenido tras la verificación: ") + enNombre
                                          + QStringLiteral(")\r\n\r\nDesea cambiarlo?"));
        }
        const QString esperado = QStringLiteral("rec_") + (c.renombrado ? real : enNombre) + QStringLiteral(".zip");
        EXPECT_EQ(Archivos(d.path()), QStringList{esperado});
        EXPECT_EQ(LeoArchivo(d.filePath(esperado)), datos);
        // The chosen folder is remembered in the INI file.
        EXPECT_EQ(compartido().CarpetaGuardada, d.path() + QLatin1Char('/'));
        if (c.renombrado) { // the box still names the old file, which is gone
            QTest::mouseClick(Control<QPushButton>(f, "Command1_1"), Qt::LeftButton);
            EXPECT_EQ(e.dialogos.vistas.last().titulo, QStringLiteral("ERROR"));
            EXPECT_EQ(e.dialogos.vistas.last().texto, TextoArchivoNoEncontrado());
        }
    }
}

TEST(PantallaCorroboroHash, NombreSinFormato)
{
    Escenario e;
    QTemporaryDir d;
    FrmCorroboroHash f(e.ctx);
    f.eligoArchivo(EscriboArchivo(d.filePath(QStringLiteral("corto_ABC.zip")), "x"));
    QTest::mouseClick(Control<QPushButton>(f, "Command1_1"), Qt::LeftButton);
    ASSERT_EQ(e.dialogos.vistas.size(), 1);
    EXPECT_EQ(e.dialogos.vistas[0].titulo, QStringLiteral("ERROR"));
    EXPECT_EQ(e.dialogos.vistas[0].icono, Icono::Critico);
    EXPECT_EQ(e.dialogos.vistas[0].texto, TextoSinFormatoHash());
}

// A quick double click on a button that starts a run runs it once, with
// one outcome box and no spurious error after it.
TEST(PantallasHash, DobleClicUnaSolaCorrida)
{
    for (const bool estampo : {true, false}) {
        SCOPED_TRACE(estampo ? "Generar Hash" : "Corroborar Hash");
        Escenario e;
        compartido().TamanoMaximoMB = 20;
        QTemporaryDir d;
        const QString ruta = EscriboArchivo(d.filePath(estampo ? QStringLiteral("envio.zip")
                                                               : QStringLiteral("envio_") + QString(32, QLatin1Char('0')) + QStringLiteral(".zip")),
                                            Datos(3 << 20));
        std::unique_ptr<PantallaTrabajo> f;
        if (estampo)
            f = std::make_unique<FrmAgregoHash>(e.ctx);
        else
            f = std::make_unique<FrmCorroboroHash>(e.ctx);
        f->show();
        e.dialogos.archivos.push_back(ruta);
        QTest::mouseClick(Control<QPushButton>(*f, "Command1_0"), Qt::LeftButton);
        e.dialogos.respuestas = {Respuesta::No, Respuesta::No};
        DosClicsSeguidos(Control<QPushButton>(*f, estampo ? "Command1_2" : "Command1_1"));
        EXPECT_EQ(e.dialogos.titulos(), estampo ? QStringList{QStringLiteral("Generación de Hash Correcta")}
                                                : (QStringList{QStringLiteral("Atención"), QStringLiteral("HASH inválido")}));
        EXPECT_EQ(Archivos(d.path()).size(), 1);
    }
}

} // namespace
