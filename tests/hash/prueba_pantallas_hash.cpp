#include "config/pantallas/compartido.h"
#include "hash/pantallas/frmagregohash.h"
#include "hash/pantallas/frmcorroborohash.h"
#include "hash/nombre_hash.h"
#include "soporte/controles.h"
#include "soporte/utiles.h"

#include <QCryptographicHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Two clicks posted before the first is handled give one run, one box. The
// size box never passes the shared maximum, which it leaves as it was.
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
    DosClicsSeguidos(Control<QPushButton>(f, "Command1_2"));

    ASSERT_EQ(e.dialogos.vistas.size(), 1);
    EXPECT_EQ(e.dialogos.vistas[0].titulo, QStringLiteral("Generación de Hash Correcta"));
    EXPECT_EQ(e.dialogos.vistas[0].texto,
              QStringLiteral("Hash generado exitosamente\r\nNombre del archivo generado:") + sellado);
    EXPECT_EQ(Archivos(d.path()), QStringList{sellado});
    EXPECT_EQ(LeoArchivo(d.filePath(sellado)), datos);
    EXPECT_EQ(Control<QLabel>(f, "lblEspere")->text(), QStringLiteral("Generación de Hash finalizada"));
    EXPECT_TRUE(Control<QPushButton>(f, "Command1_2")->isEnabled());

    auto* tamano = Control<QLineEdit>(f, "txtTamMB");
    tamano->setText(QStringLiteral("25"));
    ASSERT_EQ(e.dialogos.vistas.size(), 2);
    EXPECT_EQ(e.dialogos.vistas[1].titulo, QStringLiteral("TERV"));
    EXPECT_EQ(e.dialogos.vistas[1].texto, QStringLiteral("El tamaño de las particiones no puede superar los 20 MB"));
    EXPECT_TRUE(tamano->text().isEmpty());
    tamano->setText(QStringLiteral("1a"));
    EXPECT_EQ(tamano->text(), QStringLiteral("1"));
    // Either decimal separator stands, whatever the system's language.
    tamano->setText(QStringLiteral("2.5"));
    EXPECT_EQ(tamano->text(), QStringLiteral("2.5"));
    EXPECT_EQ(compartido().TamanoMaximoMB, 20);
}

// Refusals: each leaves the file untouched and says why, with its own title.
TEST(PantallaAgregoHash, Rechazos)
{
    struct Caso {
        const char* nombre;
        qint64 tamano; // the maximum is 2 MB
        const char* titulo;
        const char* texto;
        bool vuelveAlMenu;
    } casos[] = {
        // clang-format off
        {"grande.zip", (2 << 20) + 1, "Incompatibilidad de Tamaños",
         "El archivo que quiere generar supera el tamaño máximo permitido. En este caso debe ingresar por la Opción "
         "\"particionar\" del Menú Principal",
         true},
        {"sinpunto", 10, "ERROR", "El archivo seleccionado no tiene ninguna extención válida", false},
        // clang-format on
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        Escenario e;
        compartido().TamanoMaximoMB = 2;
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

// The three endings of a check: correct, wrong and kept, wrong and corrected;
// a quick double click checks once. A name without a hash is refused.
TEST(PantallaCorroboroHash, CorrectoInvalidoYCorregido)
{
    const QString ceros(32, QLatin1Char('0'));
    struct Caso {
        const char* nombre;
        QString hash; // in the name; empty: the file's own
        Respuesta respuesta;
        QStringList titulos;
        bool renombrado;
    } casos[] = {
        // clang-format off
        {"bueno", {}, Respuesta::No, {QStringLiteral("Corroboración de HASH")}, false},
        {"se queda", ceros, Respuesta::No, {QStringLiteral("Atención"), QStringLiteral("HASH inválido")}, false},
        {"se corrige", ceros, Respuesta::Si, {QStringLiteral("Atención"), QStringLiteral("Corroboración de HASH")}, true},
        {"sin formato", QStringLiteral("ABC"), Respuesta::No, {QStringLiteral("ERROR")}, false},
        // clang-format on
    };
    const QByteArray datos = Datos(3 << 20);
    const QString real =
        QString::fromLatin1(QCryptographicHash::hash(datos, QCryptographicHash::Md5).toHex().toUpper());
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        Escenario e;
        QTemporaryDir d;
        const QString enNombre = c.hash.isEmpty() ? real : c.hash;
        const QString ruta =
            EscriboArchivo(d.filePath(QStringLiteral("rec_") + enNombre + QStringLiteral(".zip")), datos);

        FrmCorroboroHash f(e.ctx);
        f.show();
        e.dialogos.archivos.push_back(ruta);
        QTest::mouseClick(Control<QPushButton>(f, "Command1_0"), Qt::LeftButton);
        e.dialogos.respuestas = {c.respuesta, c.respuesta};
        DosClicsSeguidos(Control<QPushButton>(f, "Command1_1"));

        EXPECT_EQ(e.dialogos.titulos(), c.titulos);
        if (c.hash.size() == 3) {
            EXPECT_EQ(e.dialogos.vistas[0].icono, Icono::Critico); // its text: NombreHash's table
        } else if (!c.hash.isEmpty()) {
            const CajaVista& pregunta = e.dialogos.vistas[0];
            EXPECT_EQ(pregunta.botones, Botones::SiNo);
            EXPECT_EQ(pregunta.porDefecto, Respuesta::No);
            EXPECT_EQ(pregunta.texto,
                      QStringLiteral("El HASH obtenido del archivo solicitado no es valido\r\n(HASH del archivo: ")
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

} // namespace
