#include "config/compartido.h"
#include "server/consulta.h"
#include "server/http.h"
#include "server/pantallas/frmcnx.h"
#include "soporte/utiles.h"

#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QString kSinConexion = QStringLiteral("No se pudo realizar la conexion a Internet para la Obtención de Datos.");
const QString kTituloA = QStringLiteral("Error de tipo 0 ");
const QString kTituloB = QStringLiteral("0 ");

struct CasoRespuesta {
    const char* modo;
    qint32 tamano;     // TamanoMaximoMB afterwards
    const char* titulo; // nullptr: no box
    const char* texto;
};

// Every reply shape of the service, through the real HTTP layer and the window.
TEST(Consulta, CadaFormaDeRespuesta)
{
    const CasoRespuesta casos[] = {
        {"respuesta", 20, nullptr, nullptr},
        {"texto", 20, nullptr, nullptr},
        {"vacio", 0, "Error de tipo 0 ", "No se pudo obtener el Tamaño máximo."},
        {"sinhijos", 0, "0 ", "No se pudo realizar la conexion a Internet para la Obtención de Datos."},
        {"dato", 0, "Error", "La versión del utilitario no está habilitada"},
        {"inesperado", 0, "Error", "Error Inesperado\r\nNro de transacción: 4711"},
        {"sintransaccion", 0, "Error de tipo 0 ", "No se pudo obtener el Nº de Transacción."},
        {"sinmensaje", 0, "Error de tipo 0 ", "No se pudo obtener el Mensaje de Error."},
        {"sintipo", 0, "Error de tipo 0 ", "No se pudo obtener el Código de Error."},
        {"trehijos", 0, "0 ", "No se pudo realizar la conexion a Internet para la Obtención de Datos."},
        {"declaracion", 0, "Error de tipo 0 ", "No se detecta Formato de XML Válido"},
        {"otro", 0, "Error de tipo 0 ", "No se detecta Formato de XML Válido"},
        {"html", 0, "0 ", "No se pudo realizar la conexion a Internet para la Obtención de Datos."},
        {"htmlxml", 0, "Error de tipo 0 ", "No se detecta Formato de XML Válido"},
        {"redirige", 20, nullptr, nullptr},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.modo);
        Escenario e;
        Servicio s(QString::fromLatin1(c.modo));
        ASSERT_NE(s.puerto, 0);
        compartido().UrlServicio = s.url();
        FrmCnx cnx(e.ctx);
        const ResultadoConsulta r = cnx.inicio();
        EXPECT_EQ(compartido().TamanoMaximoMB, c.tamano);
        EXPECT_FALSE(cnx.isVisible());
        if (!c.titulo) {
            EXPECT_TRUE(r.exito);
            EXPECT_TRUE(e.dialogos.vistas.isEmpty());
            EXPECT_TRUE(cnx.msgError.isEmpty());
            continue;
        }
        ASSERT_EQ(e.dialogos.vistas.size(), 1);
        const CajaVista& v = e.dialogos.vistas.front();
        EXPECT_EQ(v.titulo, QString::fromUtf8(c.titulo));
        EXPECT_EQ(v.texto, QString::fromUtf8(c.texto));
        EXPECT_EQ(v.icono, Icono::Critico);
        EXPECT_EQ(v.botones, Botones::Aceptar);
    }
}

TEST(Consulta, UrlLlevaProgramaVersionYRelease)
{
    EXPECT_EQ(ArmoUrlConsulta(QStringLiteral("http://h/s?programa="), QStringLiteral("TERV")),
              QStringLiteral("http://h/s?programa=TERV&version=%1.%2&release=%3")
                  .arg(TERV_VERSION_MAYOR).arg(TERV_VERSION_MENOR).arg(TERV_RELEASE));
}

// Texts the reply reader sees directly: positional reading and conversion.
TEST(Consulta, LecturaPosicional)
{
    struct Caso {
        const char* cuerpo;
        bool exito;
        qint32 tamano;
        const char* texto;
    } casos[] = {
        {"<respuesta><a>0</a></respuesta>", true, 0, ""},
        {"<respuesta> <a> 15 </a> </respuesta>", true, 15, ""},
        {"<respuesta><a>2.5</a></respuesta>", true, 2, ""},   // half to even
        {"<respuesta><a>3.5</a></respuesta>", true, 4, ""},
        {"<!-- c --><respuesta><a>5</a></respuesta>", false, 0, "No se detecta Formato de XML Válido"},
        {"<!DOCTYPE respuesta><respuesta><a>5</a></respuesta>", false, 0, "No se detecta Formato de XML Válido"},
        {"<?pi x?><respuesta><a>5</a></respuesta>", false, 0, "No se detecta Formato de XML Válido"},
        {"<Respuesta><a>5</a></Respuesta>", false, 0, "No se detecta Formato de XML Válido"},
        // Not well-formed: the document stays empty.
        {"<respuesta>5</respuesta><respuesta>6</respuesta>", false, 0, "No se pudo realizar la conexion a Internet para la Obtención de Datos."},
        {"<respuesta>5</respuesta>x", false, 0, "No se pudo realizar la conexion a Internet para la Obtención de Datos."},
        {"x<respuesta>5</respuesta>", false, 0, "No se pudo realizar la conexion a Internet para la Obtención de Datos."},
        {"<respuesta>5</respuesta><!DOCTYPE r>", false, 0, "No se pudo realizar la conexion a Internet para la Obtención de Datos."},
        {"<respuesta>5</respuesta><!-- fin -->\n", true, 5, ""},
        {"<respuesta>5", false, 0, "No se pudo realizar la conexion a Internet para la Obtención de Datos."},
        {"", false, 0, "No se pudo realizar la conexion a Internet para la Obtención de Datos."},
        {"<error> <c/> <tipo>DATO</tipo> <mensaje>M</mensaje> <nroTransaccion>9</nroTransaccion> </error>", false, 0, "M"},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.cuerpo);
        const ResultadoConsulta r = InterpretoRespuesta(QByteArray(c.cuerpo));
        EXPECT_EQ(r.exito, c.exito);
        if (c.exito) {
            EXPECT_EQ(r.tamanoMB, c.tamano);
            continue;
        }
        ASSERT_TRUE(r.mensaje) << qPrintable(r.msgError);
        EXPECT_EQ(r.mensaje->texto, QString::fromUtf8(c.texto));
    }
}

TEST(Consulta, TamanoQueNoConvierteONegativo)
{
    for (const char* texto : {"veinte", "99999999999", "1e", "-5", "-2147483648", "-0.6"}) {
        SCOPED_TRACE(texto);
        const ResultadoConsulta r =
            InterpretoRespuesta("<respuesta><a>" + QByteArray(texto) + "</a></respuesta>");
        EXPECT_FALSE(r.exito);
        ASSERT_TRUE(r.mensaje);
        EXPECT_EQ(r.mensaje->titulo, kTituloB);
        EXPECT_FALSE(r.msgError.isEmpty());
        EXPECT_NE(r.msgError, kSinConexion);
    }
}

// Failures of the HTTP layer itself: no URL, nobody listening, a silent server.
TEST(Consulta, FallasDeRed)
{
    Escenario e;
    {
        const ResultadoConsulta r = ConsultoTamano(ArmoUrlConsulta(QString(), QStringLiteral("TERV")), 2000);
        ASSERT_TRUE(r.mensaje);
        EXPECT_EQ(r.mensaje->titulo, kTituloB);
        EXPECT_FALSE(r.msgError.isEmpty());
    }
    quint16 libre;
    {
        Servicio s(QStringLiteral("respuesta"));
        libre = s.puerto;
    }
    {
        const ResultadoConsulta r = ConsultoTamano(QStringLiteral("http://127.0.0.1:%1/x").arg(libre), 5000);
        ASSERT_TRUE(r.mensaje);
        EXPECT_EQ(r.mensaje->titulo, kTituloB);
        EXPECT_EQ(r.msgError, QStringLiteral("El servidor rechazó la conexión"));
    }
    {
        Servicio lento(QStringLiteral("lento"));
        const ResultadoConsulta r = ConsultoTamano(lento.url() + QStringLiteral("TERV"), 300);
        ASSERT_TRUE(r.mensaje);
        EXPECT_EQ(r.mensaje->titulo, kTituloB);
        EXPECT_TRUE(r.msgError.contains(QStringLiteral("tiempo"))) << qPrintable(r.msgError);
    }
}

// Where each reply ends, however it arrives: whole, byte by byte, or cut.
TEST(Consulta, LectorHttp)
{
    struct Caso {
        const char* nombre;
        QByteArray bytes;
        bool cerrado; // the server closed after these bytes
        LectorHttp::Estado estado;
        QByteArray cuerpo;
    } casos[] = {
        {"largo", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhola!", false, LectorHttp::Estado::Completa, "hola!"},
        {"largo corto", "HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nhola!", true, LectorHttp::Estado::Falla, ""},
        {"trozos", "HTTP/1.1 500 X\r\nTransfer-Encoding: chunked\r\n\r\n3;x=1\r\nabc\r\n2\r\nde\r\n0\r\nA: b\r\n\r\n", false,
         LectorHttp::Estado::Completa, "abcde"},
        {"sin ultimo trozo", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n", true, LectorHttp::Estado::Falla, ""},
        {"hasta el cierre", "HTTP/1.0 200 OK\r\n\r\n<r/>", true, LectorHttp::Estado::Completa, "<r/>"},
        {"continuar", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", false, LectorHttp::Estado::Completa, "ok"},
        {"no es http", "<respuesta>20</respuesta>", true, LectorHttp::Estado::Falla, ""},
        {"trozo no hexadecimal", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", false, LectorHttp::Estado::Falla, ""},
        {"cerrado sin nada", "", true, LectorHttp::Estado::Falla, ""},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        for (const bool deAUno : {false, true}) {
            LectorHttp l(1024);
            if (deAUno)
                for (const char b : c.bytes)
                    l.agrego(QByteArray(1, b));
            else
                l.agrego(c.bytes);
            if (c.cerrado)
                l.cierre();
            EXPECT_EQ(l.estado(), c.estado);
            if (c.estado == LectorHttp::Estado::Completa)
                EXPECT_EQ(l.cuerpo(), c.cuerpo);
            else
                EXPECT_FALSE(l.falla().isEmpty());
        }
    }
    LectorHttp grande(10);
    grande.agrego("HTTP/1.1 200 OK\r\n\r\n0123456789A");
    EXPECT_TRUE(grande.excedido());
    EXPECT_LE(grande.cuerpo().size(), 10);
}

struct CasoMalo {
    const char* modo;
    const char* tamano;
    const char* texto; // exact text, or a part of it when parcial
    bool parcial;
};

// Replies that must not yield a size, through the real HTTP layer and the window:
// a negative size, documents that are not well-formed, transfers cut short or
// without end. Every one leaves TamanoMaximoMB at 0 with one box.
TEST(Consulta, RespuestasQueNoDanTamano)
{
    const CasoMalo casos[] = {
        {"respuesta", "-5", "negativo (-5 MB)", true},
        {"texto", "-2147483648", "negativo (-2147483648 MB)", true},
        {"dosraices", "20", "No se pudo realizar la conexion a Internet para la Obtención de Datos.", false},
        {"textodespues", "20", "No se pudo realizar la conexion a Internet para la Obtención de Datos.", false},
        {"textoantes", "20", "No se pudo realizar la conexion a Internet para la Obtención de Datos.", false},
        {"doctypedespues", "20", "No se pudo realizar la conexion a Internet para la Obtención de Datos.", false},
        {"nul", "20", "No se pudo realizar la conexion a Internet para la Obtención de Datos.", false},
        {"corto", "20", "incompleta", true},
        {"chunkcorto", "20", "incompleta", true},
        {"enorme", "20", "supera el máximo admitido de 1 MiB", true},
        {"enormesinlargo", "20", "supera el máximo admitido de 1 MiB", true},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.modo);
        Escenario e;
        Servicio s(QString::fromLatin1(c.modo), QString::fromLatin1(c.tamano));
        ASSERT_NE(s.puerto, 0);
        compartido().UrlServicio = s.url();
        FrmCnx cnx(e.ctx);
        const ResultadoConsulta r = cnx.inicio();
        EXPECT_FALSE(r.exito);
        EXPECT_EQ(compartido().TamanoMaximoMB, 0);
        ASSERT_EQ(e.dialogos.vistas.size(), 1);
        const CajaVista& v = e.dialogos.vistas.front();
        EXPECT_EQ(v.titulo, kTituloB);
        EXPECT_EQ(v.icono, Icono::Critico);
        if (c.parcial)
            EXPECT_TRUE(v.texto.contains(QString::fromUtf8(c.texto))) << qPrintable(v.texto);
        else
            EXPECT_EQ(v.texto, QString::fromUtf8(c.texto));
        EXPECT_EQ(cnx.msgError, v.texto);
    }
}

// A long "mensaje" reaches the operator whole; the box itself cuts it to the screen.
TEST(Consulta, MensajeLargoDelServicio)
{
    Escenario e;
    Servicio s(QStringLiteral("mensajelargo"));
    compartido().UrlServicio = s.url();
    FrmCnx cnx(e.ctx);
    cnx.inicio();
    ASSERT_EQ(e.dialogos.vistas.size(), 1);
    EXPECT_EQ(e.dialogos.vistas[0].titulo, QStringLiteral("Error"));
    EXPECT_EQ(e.dialogos.vistas[0].texto.size(), 1000000);
}

// Closing the window gives up at once: no size, no box, start-up goes on.
TEST(Consulta, CerrarLaVentanaAbandonaLaConsulta)
{
    Escenario e;
    Servicio lento(QStringLiteral("lento"));
    compartido().UrlServicio = lento.url();
    e.ctx.esperaConsultaMs = 60000;
    FrmCnx cnx(e.ctx);
    QTimer::singleShot(300, &cnx, [&] {
        EXPECT_TRUE(cnx.isVisible());
        cnx.close();
    });
    const ResultadoConsulta r = cnx.inicio();
    EXPECT_TRUE(r.abandonada);
    EXPECT_FALSE(r.exito);
    EXPECT_EQ(compartido().TamanoMaximoMB, 0);
    EXPECT_TRUE(e.dialogos.vistas.isEmpty());
    EXPECT_FALSE(cnx.isVisible());
}

// The query on its own thread, given up by the window or dropped unanswered:
// it ends at once, without a size and without waiting for the service.
TEST(Consulta, EnOtroHiloSeAbandonaAlInstante)
{
    Servicio lento(QStringLiteral("lento"));
    for (const bool soltada : {false, true}) {
        SCOPED_TRACE(soltada ? "soltada" : "abandonada");
        auto q = std::make_unique<ConsultaEnCurso>(lento.url(), 60000);
        if (soltada) {
            q.reset(); // a hang here is the fault
            continue;
        }
        q->abandono();
        const ResultadoConsulta r = q->resultado();
        EXPECT_TRUE(r.abandonada);
        EXPECT_FALSE(r.exito);
        EXPECT_TRUE(q->terminada());
    }
}

} // namespace
