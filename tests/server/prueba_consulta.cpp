#include "config/pantallas/compartido.h"
#include "server/consulta.h"
#include "server/pantallas/frmcnx.h"
#include "soporte/utiles.h"

#include <QFile>
#include <QTemporaryDir>
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
        {"<respuesta><!--12-->48</respuesta>", true, 48, ""}, // a comment is no node of the reply
        {"<error><!--x--><c/><tipo>DATO</tipo><?p?><mensaje>M</mensaje><nroTransaccion>9</nroTransaccion></error>", false, 0, "M"},
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
        ASSERT_TRUE(r.causa) << qPrintable(r.msgError);
        EXPECT_EQ(r.causa->texto, QString::fromUtf8(c.texto));
    }
}

TEST(Consulta, TamanoQueNoConvierteONegativo)
{
    for (const char* texto : {"veinte", "99999999999", "1e", "-5", "-2147483648", "-0.6"}) {
        SCOPED_TRACE(texto);
        const ResultadoConsulta r =
            InterpretoRespuesta("<respuesta><a>" + QByteArray(texto) + "</a></respuesta>");
        EXPECT_FALSE(r.exito);
        ASSERT_TRUE(r.causa);
        EXPECT_EQ(r.causa->titulo, kTituloB);
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
        ASSERT_TRUE(r.causa);
        EXPECT_EQ(r.causa->titulo, kTituloB);
        EXPECT_FALSE(r.msgError.isEmpty());
    }
    quint16 libre;
    {
        Servicio s(QStringLiteral("respuesta"));
        libre = s.puerto;
    }
    {
        const ResultadoConsulta r = ConsultoTamano(QStringLiteral("http://127.0.0.1:%1/x").arg(libre), 5000);
        ASSERT_TRUE(r.causa);
        EXPECT_EQ(r.causa->titulo, kTituloB);
        EXPECT_EQ(r.msgError, QStringLiteral("El servidor rechazó la conexión"));
    }
    {
        Servicio lento(QStringLiteral("lento"));
        const ResultadoConsulta r = ConsultoTamano(lento.url() + QStringLiteral("TERV"), 300);
        ASSERT_TRUE(r.causa);
        EXPECT_EQ(r.causa->titulo, kTituloB);
        EXPECT_TRUE(r.msgError.contains(QStringLiteral("tiempo"))) << qPrintable(r.msgError);
    }
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

// The time limit of a query started early waits for the window: a query
// with no time at all still gets its answer while the limit is deferred.
TEST(Consulta, ElLimiteCuentaDesdeLaVentana)
{
    Servicio s(QStringLiteral("respuesta")), lento(QStringLiteral("lento"));
    ConsultaEnCurso diferida(s.url() + QStringLiteral("TERV"), 0, true);
    EXPECT_TRUE(diferida.resultado().exito);
    ConsultaEnCurso inmediata(lento.url() + QStringLiteral("TERV"), 0);
    EXPECT_TRUE(inmediata.resultado().msgError.contains(QStringLiteral("tiempo")));
}

// Sets an environment variable for one scope, restoring what was there.
class Variable {
public:
    Variable(const char* nombre, const QByteArray& valor) : nombre_(nombre), habia_(qEnvironmentVariableIsSet(nombre)), antes_(qgetenv(nombre))
    {
        if (valor.isNull())
            qunsetenv(nombre);
        else
            qputenv(nombre, valor);
    }
    ~Variable() { habia_ ? qputenv(nombre_, antes_) : qunsetenv(nombre_); }

private:
    const char* nombre_;
    bool habia_;
    QByteArray antes_;
};

// Through a real proxy on loopback (a name only the proxy knows), around it
// when no_proxy names the host, and over https with a throw-away certificate,
// a reply cut in the middle of a chunk, the TLS connection dropped.
TEST(Consulta, ProxyYHttps)
{
    QTemporaryDir carpeta;
    const QString python = QStringLiteral("python3");
    Servicio proxy(python, QStringList{QStringLiteral(TERV_PRUEBAS_SERVER "/proxy.py")});
    Servicio tls(python, QStringList{QStringLiteral(TERV_PRUEBAS_SERVER "/tls_cortado.py"), carpeta.path()});
    Servicio demo(QStringLiteral("respuesta"));
    ASSERT_NE(proxy.puerto, 0);
    ASSERT_NE(tls.puerto, 0);
    const QByteArray viaProxy = "http://127.0.0.1:" + QByteArray::number(proxy.puerto);
    const QByteArray certificado = QFile::encodeName(carpeta.filePath(QStringLiteral("certificado.pem")));
    struct Caso {
        const char* nombre;
        QString url;
        QByteArray httpProxy, httpsProxy, noProxy, certificados;
        const char* falla; // part of the failure text; nullptr: the size comes
    } casos[] = {
        {"http por el proxy", QStringLiteral("http://servicio.prueba:%1/tamano?programa=TERV").arg(demo.puerto), viaProxy, {}, {}, {}, nullptr},
        {"no_proxy", QStringLiteral("http://servicio.prueba:%1/tamano?programa=TERV").arg(demo.puerto), viaProxy, {}, "servicio.prueba", {}, "No se encontró el servidor"},
        {"https", QStringLiteral("https://127.0.0.1:%1/tamano").arg(tls.puerto), {}, {}, {}, certificado, nullptr},
        {"https por el proxy", QStringLiteral("https://servicio.prueba:%1/tamano").arg(tls.puerto), {}, viaProxy, {}, certificado, nullptr},
        {"https cortado", QStringLiteral("https://127.0.0.1:%1/cortado").arg(tls.puerto), {}, {}, {}, certificado, "incompleta"},
        {"https cortado por el proxy", QStringLiteral("https://servicio.prueba:%1/cortado").arg(tls.puerto), {}, viaProxy, {}, certificado, "incompleta"},
        {"certificado desconocido", QStringLiteral("https://127.0.0.1:%1/tamano").arg(tls.puerto), {}, {}, {}, {}, "certificado"},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.nombre);
        const Variable h("http_proxy", c.httpProxy), hs("https_proxy", c.httpsProxy), n("no_proxy", c.noProxy),
            cert("SSL_CERT_FILE", c.certificados.isEmpty() ? QByteArray() : c.certificados);
        const ResultadoConsulta r = ConsultoTamano(c.url, 60000);
        if (!c.falla) {
            EXPECT_TRUE(r.exito) << qPrintable(r.msgError);
            EXPECT_EQ(r.tamanoMB, 20);
            continue;
        }
        EXPECT_FALSE(r.exito);
        ASSERT_TRUE(r.causa);
        EXPECT_EQ(r.causa->titulo, kTituloB);
        EXPECT_TRUE(r.msgError.contains(QString::fromUtf8(c.falla))) << qPrintable(r.msgError);
    }
}

} // namespace
