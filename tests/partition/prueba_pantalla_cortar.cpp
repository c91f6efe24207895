// The split screen driven as an operator would: widgets by name, answers scripted.
#include "config/pantallas/compartido.h"
#include "partition/pantallas/cortar.h"
#include "partition/pantallas/mensajes_particion.h"
#include "soporte/controles.h"
#include "soporte/utiles.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr qint64 MB = 1048576;

// The size service said 1 MB before the screen was opened.
Contexto& ConMaximoDeUnMega(Escenario& e)
{
    compartido().TamanoMaximoMB = 1;
    CalculoTamanoBytes();
    return e.ctx;
}

struct Pantalla {
    Escenario e;
    QTemporaryDir d, destino;
    QString origen;
    Cortar f{ConMaximoDeUnMega(e)};
    explicit Pantalla(qint64 tamano)
    {
        origen = EscriboArchivo(d.filePath(QStringLiteral("informe.zip")), Datos(tamano));
        f.show();
    }
    void elijo()
    {
        e.dialogos.archivos.push_back(origen);
        QTest::mouseClick(Control<QPushButton>(f, "Command1_0"), Qt::LeftButton);
        Control<QLineEdit>(f, "Text1_1")->setText(destino.path());
    }
};

// Accepted, a quick double click on "Particionar" runs the split once;
// "Cancelar" beside the progress stops the run, and nothing of it stays.
TEST(PantallaCortar, ParticionaYAvisa)
{
    const QString pregunta = QStringLiteral("Particionador de Archivos");
    struct Caso {
        const char* nombre;
        Respuesta confirmacion;
        bool cancelaLaCorrida;
        int partes; // files expected in the destination
        QStringList titulos;
    } casos[] = {
        // clang-format off
        {"acepta", Respuesta::Aceptar, false, 3, {pregunta, QStringLiteral("Partición de archivo Correcta")}},
        {"cancela", Respuesta::Cancelar, false, 0, {pregunta}},
        {"cancela la corrida", Respuesta::Aceptar, true, 0, {pregunta, QStringLiteral("TERV")}},
        // clang-format on
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        Pantalla p(2 * MB + 5);
        p.elijo();
        EXPECT_EQ(Control<QLabel>(p.f, "Label1_2")->text(), QStringLiteral("Tamaño del archivo es de: 2097157 Bytes"));
        p.e.dialogos.respuestas.push_back(c.confirmacion);
        const AlEvento cancelo(&p.f, "cmdCancelar", QEvent::Show, [&] {
            if (c.cancelaLaCorrida)
                Control<QPushButton>(p.f, "cmdCancelar")->click();
        });
        if (c.partes)
            DosClicsSeguidos(Control<QPushButton>(p.f, "Command1_3"));
        else
            QTest::mouseClick(Control<QPushButton>(p.f, "Command1_3"), Qt::LeftButton);
        ASSERT_EQ(p.e.dialogos.titulos(), c.titulos);
        if (c.cancelaLaCorrida) { // the operator asked for it: told, not warned, as in every screen
            EXPECT_EQ(p.e.dialogos.vistas[1].icono, Icono::Informacion);
            EXPECT_EQ(
                p.e.dialogos.vistas[1].texto,
                QStringLiteral("Generación de particiones cancelada por el usuario: no se guardó ninguna partición."));
            EXPECT_FALSE(Control<QPushButton>(p.f, "cmdCancelar")->isVisible());
        }
        EXPECT_EQ(Archivos(p.destino.path()).size(), c.partes);
        EXPECT_EQ(Control<QProgressBar>(p.f, "ProgressBar1")->value(), 0);
        EXPECT_EQ(Control<QLineEdit>(p.f, "Text1_0")->text(), p.origen);
        EXPECT_TRUE(Control<QPushButton>(p.f, "Command1_3")->isEnabled());
    }
}

TEST(PantallaCortar, ArchivoChicoOVacio)
{
    const QString chico =
        QStringLiteral("El tamaño del archivo seleccionado es menor al necesario para ser particionado, "
                       "en este caso debe\r\nIngresar por la Opción \"Código Hash \" del Menú principal");
    const struct Caso {
        qint64 tamano;
        QString texto;
    } casos[] = {
        // clang-format off
        {100, chico},
        {0, QStringLiteral("El archivo seleccionado está vacío: no hay nada que particionar.\r\n") + chico},
        // clang-format on
    };
    for (const auto& c : casos) {
        Pantalla p(c.tamano);
        QSignalSpy menu(&p.f, &PantallaTrabajo::vuelvoAlMenu);
        p.elijo();
        ASSERT_EQ(p.e.dialogos.titulos(), QStringList{QStringLiteral("Incompatibilidad de Tamaños")});
        EXPECT_EQ(p.e.dialogos.vistas[0].icono, Icono::Informacion);
        EXPECT_EQ(p.e.dialogos.vistas[0].texto, c.texto);
        EXPECT_EQ(menu.count(), 1);
        // Back on the screen, "Particionar" refuses it again and empties both boxes.
        QTest::mouseClick(Control<QPushButton>(p.f, "Command1_3"), Qt::LeftButton);
        ASSERT_EQ(p.e.dialogos.vistas.size(), 2);
        EXPECT_EQ(p.e.dialogos.vistas[1].texto, c.texto);
        EXPECT_TRUE(Control<QLineEdit>(p.f, "Text1_0")->text().isEmpty());
        EXPECT_TRUE(Control<QLineEdit>(p.f, "Text1_1")->text().isEmpty());
    }
}

// A size of 0 is too many partitions. The run takes the size its own box
// shows, with either decimal separator, whatever another screen did to the
// shared values meanwhile. A run that fails says why, and leaves its bar where
// it stopped.
TEST(PantallaCortar, ElTamanoEsElDeLaCaja)
{
    Pantalla p(3 * MB);
    p.elijo();
    auto* caja = Control<QLineEdit>(p.f, "txtTamMB");
    caja->setText(QStringLiteral("0"));
    QTest::mouseClick(Control<QPushButton>(p.f, "Command1_3"), Qt::LeftButton);
    ASSERT_EQ(p.e.dialogos.titulos(), QStringList{QStringLiteral("Error - Demasiadas Particiones")});
    EXPECT_EQ(p.e.dialogos.vistas[0].icono, Icono::Ninguno);
    EXPECT_EQ(p.e.dialogos.vistas[0].texto,
              QStringLiteral("El tamaño ingresado genera más particiones de las permitidas (327)"));

    // The caption as the run ends ("Cancelar" leaves): the last partition, the bar full.
    QString leyenda;
    int valor = -1;
    {
        const AlEvento fin(&p.f, "cmdCancelar", QEvent::Hide, [&] {
            leyenda = Control<QLabel>(p.f, "lblProgHash")->text();
            valor = Control<QProgressBar>(p.f, "ProgressBar1")->value();
        });
        compartido().TamanoMaximoMB = 20;
        caja->setText(QStringLiteral("1.5"));
        compartido().TamanoMaximoBytes = 20 * MB; // as a visit to another screen might leave it
        p.e.dialogos.respuestas.push_back(Respuesta::Aceptar);
        QTest::mouseClick(Control<QPushButton>(p.f, "Command1_3"), Qt::LeftButton);
    }
    ASSERT_EQ(p.e.dialogos.vistas.size(), 3);
    EXPECT_TRUE(p.e.dialogos.vistas[1].texto.startsWith(
        QStringLiteral("Este programa generará 1 particiones de 1572864 Bytes de tamaño y una de 1572864 Bytes.")))
        << qPrintable(p.e.dialogos.vistas[1].texto);
    EXPECT_EQ(leyenda, QStringLiteral("Generando Hash para la Partición 2 de 2"));
    EXPECT_EQ(valor, 1000);

    // The first partition's name is taken by other content: known once every byte is cut.
    const QStringList partes = Archivos(p.destino.path());
    ASSERT_EQ(partes.size(), 2);
    for (const QString& parte : partes) {
        QFile::remove(p.destino.filePath(parte));
        if (parte.contains(QStringLiteral(".part001.")))
            EscriboArchivo(p.destino.filePath(parte), "otro");
    }
    p.e.dialogos.respuestas.push_back(Respuesta::Aceptar);
    QTest::mouseClick(Control<QPushButton>(p.f, "Command1_3"), Qt::LeftButton);
    ASSERT_EQ(p.e.dialogos.vistas.size(), 5);
    EXPECT_EQ(p.e.dialogos.vistas[4].titulo, QStringLiteral("ERROR"));
    EXPECT_EQ(p.e.dialogos.vistas[4].texto,
              QStringLiteral("Ya existe un Archivo con ese mismo nombre en el Directorio indicado."));
    // Any other failure closes with its cause.
    EXPECT_EQ(ManejoErrores(Falla::otra(QStringLiteral("Disco lleno"))).texto,
              QStringLiteral("Se detectó un error y la aplicación se cerrará.\r\nDisco lleno"));
    auto* barra = Control<QProgressBar>(p.f, "ProgressBar1");
    EXPECT_EQ(barra->value(), barra->maximum());
}

} // namespace
