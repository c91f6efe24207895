// The split screen driven as an operator would: widgets by name, answers scripted.
#include "config/pantallas/compartido.h"
#include "partition/pantallas/cortar.h"
#include "partition/pantallas/mensajes_particion.h"
#include "soporte/controles.h"
#include "soporte/utiles.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
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

TEST(PantallaCortar, ParticionaYAvisa)
{
    struct Caso {
        const char* nombre;
        Respuesta confirmacion;
        int partes; // files expected in the destination
        QStringList titulos;
    } casos[] = {
        {"acepta", Respuesta::Aceptar, 3, {QStringLiteral("Particionador de Archivos"), QStringLiteral("Partición de archivo Correcta")}},
        {"cancela", Respuesta::Cancelar, 0, {QStringLiteral("Particionador de Archivos")}},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        Pantalla p(2 * MB + 5);
        p.elijo();
        EXPECT_EQ(Control<QLabel>(p.f, "Label1_2")->text(), QStringLiteral("Tamaño del archivo es de: 2097157 Bytes"));
        p.e.dialogos.respuestas.push_back(c.confirmacion);
        QTest::mouseClick(Control<QPushButton>(p.f, "Command1_3"), Qt::LeftButton);
        EXPECT_EQ(p.e.dialogos.titulos(), c.titulos);
        EXPECT_EQ(Archivos(p.destino.path()).size(), c.partes);
        EXPECT_EQ(Control<QProgressBar>(p.f, "ProgressBar1")->value(), 0);
        EXPECT_EQ(Control<QLineEdit>(p.f, "Text1_0")->text(), p.origen);
        EXPECT_TRUE(Control<QPushButton>(p.f, "Command1_3")->isEnabled());
    }
}

// A quick double click on "Particionar" runs the split once.
TEST(PantallaCortar, DobleClicUnaSolaCorrida)
{
    Pantalla p(2 * MB + 5);
    p.elijo();
    p.e.dialogos.respuestas = {Respuesta::Aceptar, Respuesta::Aceptar};
    DosClicsSeguidos(Control<QPushButton>(p.f, "Command1_3"));
    EXPECT_EQ(p.e.dialogos.titulos(),
              (QStringList{QStringLiteral("Particionador de Archivos"), QStringLiteral("Partición de archivo Correcta")}));
    EXPECT_EQ(Archivos(p.destino.path()).size(), 3);
}

// The run takes the size its own box shows, with either decimal separator,
// whatever another screen did to the shared values meanwhile.
TEST(PantallaCortar, ElTamanoEsElDeLaCaja)
{
    Pantalla p(3 * MB);
    p.elijo();
    auto* caja = Control<QLineEdit>(p.f, "txtTamMB");
    compartido().TamanoMaximoMB = 20;
    caja->setText(QStringLiteral("1.5"));
    EXPECT_EQ(caja->text(), QStringLiteral("1.5"));
    compartido().TamanoMaximoBytes = 20 * MB; // as a visit to another screen might leave it
    p.e.dialogos.respuestas.push_back(Respuesta::Aceptar);
    QTest::mouseClick(Control<QPushButton>(p.f, "Command1_3"), Qt::LeftButton);
    ASSERT_FALSE(p.e.dialogos.vistas.isEmpty());
    EXPECT_TRUE(p.e.dialogos.vistas[0].texto.startsWith(
        QStringLiteral("Este programa generará 1 particiones de 1572864 Bytes de tamaño y una de 1572864 Bytes.")))
        << qPrintable(p.e.dialogos.vistas[0].texto);
    EXPECT_EQ(Archivos(p.destino.path()).size(), 2);
}

// "Cancelar" beside the progress stops the run; nothing of it stays.
TEST(PantallaCortar, CancelarDuranteLaCorrida)
{
    Pantalla p(256 * MB);
    p.elijo();
    p.e.dialogos.respuestas.push_back(Respuesta::Aceptar);
    QTimer reloj;
    QObject::connect(&reloj, &QTimer::timeout, &p.f, [&] {
        auto* cancelar = p.f.findChild<QPushButton*>(QStringLiteral("cmdCancelar"));
        if (cancelar && cancelar->isVisible() && cancelar->isEnabled())
            QTest::mouseClick(cancelar, Qt::LeftButton);
    });
    reloj.start(5);
    QTest::mouseClick(Control<QPushButton>(p.f, "Command1_3"), Qt::LeftButton);
    reloj.stop();
    ASSERT_EQ(p.e.dialogos.vistas.size(), 2);
    EXPECT_EQ(p.e.dialogos.vistas[1].titulo, QStringLiteral("ERROR"));
    EXPECT_TRUE(p.e.dialogos.vistas[1].texto.contains(QStringLiteral("cancelada por el usuario")));
    EXPECT_TRUE(Archivos(p.destino.path()).isEmpty());
    EXPECT_FALSE(Control<QPushButton>(p.f, "cmdCancelar")->isVisible());
    EXPECT_TRUE(Control<QPushButton>(p.f, "Command1_3")->isEnabled());
}

TEST(PantallaCortar, ArchivoChicoOVacio)
{
    struct Caso {
        qint64 tamano;
        QString texto;
        int menu; // times the screen went back to the menu
    } casos[] = {
        {100,
         QStringLiteral("El tamaño del archivo seleccionado es menor al necesario para ser particionado, en este caso debe\r\n"
                        "Ingresar por la Opción \"Código Hash \" del Menú principal"),
         1},
        {0, QStringLiteral("El archivo seleccionado está vacío: no hay nada que particionar."), 0},
    };
    for (const auto& c : casos) {
        Pantalla p(c.tamano);
        QSignalSpy menu(&p.f, &PantallaTrabajo::vuelvoAlMenu);
        p.e.dialogos.archivos.push_back(p.origen);
        QTest::mouseClick(Control<QPushButton>(p.f, "Command1_0"), Qt::LeftButton);
        ASSERT_EQ(p.e.dialogos.vistas.size(), 1);
        EXPECT_EQ(p.e.dialogos.vistas[0].titulo, QStringLiteral("Incompatibilidad de Tamaños"));
        EXPECT_EQ(p.e.dialogos.vistas[0].texto, c.texto);
        EXPECT_EQ(menu.count(), c.menu);
    }
}

TEST(PantallaCortar, TextosDeLasCajas)
{
    const Mensaje chico = MensajeRechazo(RechazoParticion::MuyChico);
    EXPECT_EQ(chico.titulo, QStringLiteral("Incompatibilidad de Tamaños"));
    EXPECT_EQ(chico.icono, Icono::Informacion);
    const Mensaje muchas = MensajeRechazo(RechazoParticion::Demasiadas);
    EXPECT_EQ(muchas.titulo, QStringLiteral("Error - Demasiadas Particiones"));
    EXPECT_EQ(muchas.icono, Icono::Ninguno);
    const Mensaje repetido = ManejoErrores(Falla::desdeErrno(EEXIST));
    EXPECT_EQ(repetido.texto, QStringLiteral("Ya existe un Archivo con ese mismo nombre en el Directorio indicado."));
    EXPECT_EQ(ManejoErrores(Falla::otra(QStringLiteral("Disco lleno"))).texto,
              QStringLiteral("Se detectó un error y la aplicación se cerrará.\r\nDisco lleno"));
}

} // namespace
