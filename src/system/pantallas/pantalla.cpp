#include "system/pantallas/pantalla.h"

#include "config/pantallas/compartido.h"
#include "system/plataforma.h"
#include "system/pantallas/dialogos_qt.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QFontMetricsF>
#include <QScreen>

#include <algorithm>

namespace {

double escala = 1.0; // pixels per design pixel, set once at start-up

} // namespace

int Tw(int twips) { return int(twips / 15.0 * escala + 0.5); }

void AdoptoLetraDelEscritorio()
{
    QFont letra = QApplication::font();
    const QScreen* pantalla = QGuiApplication::primaryScreen();
    const double dpi = pantalla ? pantalla->logicalDotsPerInchY() : 96.0;
    // The design's font: 8 points at 96 dpi, characters about 5.5 pixels wide.
    const QFontMetricsF medida(letra);
    const double alto =
        (letra.pointSizeF() > 0 ? letra.pointSizeF() * dpi / 72.0 : letra.pixelSize()) / (8 * 96 / 72.0);
    const double ancho =
        medida.horizontalAdvance(QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ")) / 52.0 / 5.5;
    double s = std::max(alto, ancho);
    if (pantalla) {
        // The tallest screen (the join, 7500 twips) and the widest (the
        // folder check at its least, 10400), with room for a title bar and the menu bar.
        const QRect zona = pantalla->availableGeometry();
        const double cabe = std::min((zona.height() - 72) / 500.0, (zona.width() - 24) / (10400 / 15.0));
        if (cabe < s) {
            if (letra.pointSizeF() > 0)
                letra.setPointSizeF(letra.pointSizeF() * cabe / s);
            else
                letra.setPixelSize(std::max(6, int(letra.pixelSize() * cabe / s)));
            QApplication::setFont(letra);
            s = cabe;
        }
    }
    escala = s;
}

namespace {

// The forms are laid out in twips for the system font of their design; where
// this platform's font is wider, a caption is set a little smaller instead of cut.
void AjustoLetra(QWidget* w, int ancho)
{
    QFont f = w->font();
    for (int paso = 0; paso < 2 && w->sizeHint().width() > ancho && f.pointSizeF() > 6; ++paso) {
        f.setPointSizeF(f.pointSizeF() - 0.5);
        w->setFont(f);
    }
}

// Every form is centred once its captions are set: the moment to fit them.
void AjustoTextos(QWidget* formulario)
{
    for (QPushButton* b : formulario->findChildren<QPushButton*>())
        AjustoLetra(b, b->width());
    for (QLabel* l : formulario->findChildren<QLabel*>())
        if (!l->wordWrap() && !l->text().isEmpty())
            AjustoLetra(l, l->width());
}

} // namespace

const QScreen* PantallaDe(const QWidget* ventana)
{
    return ventana && ventana->screen() ? ventana->screen() : QGuiApplication::primaryScreen();
}

void EncajoEnPantalla(QWidget* ventana)
{
    const QScreen* pantalla = PantallaDe(ventana);
    if (!pantalla || ventana->minimumSize() == ventana->maximumSize())
        return;
    // Room for the frame and title bar, on either side of the centred window
    // when the window manager has not told them yet.
    const QSize marco = (ventana->frameGeometry().size() - ventana->size()).expandedTo(QSize(16, 64));
    ventana->resize(
        ventana->size().boundedTo(pantalla->availableGeometry().size() - marco).expandedTo(ventana->minimumSize()));
}

void centroFormulario(QWidget* formulario, int divisorH, int divisorV)
{
    AjustoTextos(formulario);
    EncajoEnPantalla(formulario);
    const QScreen* pantalla = PantallaDe(formulario);
    if (!pantalla)
        return;
    const QRect zona = pantalla->availableGeometry();
    const QSize tam = formulario->frameGeometry().size();
    formulario->move(zona.x() + qMax(0, int((zona.width() - tam.width()) / double(divisorH))),
                     zona.y() + qMax(0, int((zona.height() - tam.height()) / double(divisorV))));
}

void CentroSobre(QWidget* ventana, const QWidget* sobre)
{
    const QScreen* pantalla = PantallaDe(sobre);
    if (!pantalla)
        return;
    const QRect zona = pantalla->availableGeometry();
    QRect marco(QPoint(), ventana->frameGeometry().size());
    marco.moveCenter(sobre ? sobre->frameGeometry().center() : zona.center());
    marco.moveLeft(qBound(zona.left(), marco.left(), qMax(zona.left(), zona.right() + 1 - marco.width())));
    marco.moveTop(qBound(zona.top(), marco.top(), qMax(zona.top(), zona.bottom() + 1 - marco.height())));
    ventana->move(marco.topLeft());
}

QString LeyendaCarpeta()
{
    const QString& guardada = compartido().CarpetaGuardada;
    return guardada.isEmpty() ? CarpetaRaiz() : guardada;
}

std::optional<QString> SeleccionoCarpeta(Dialogos& dialogos, QWidget* padre)
{
    auto carpeta = dialogos.eligoCarpeta(padre, LeyendaCarpeta());
    if (carpeta && carpeta->size() > 1 && carpeta->endsWith(QLatin1Char('/')))
        carpeta->chop(1);
    return carpeta;
}

namespace {

class Arrastre : public QObject {
public:
    Arrastre(QWidget* destino, std::function<void(const QString&)> f) : QObject(destino), f_(std::move(f)) {}

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::DragEnter) {
            auto* d = static_cast<QDragEnterEvent*>(e);
            if (archivo(d->mimeData()).isEmpty())
                return false;
            d->acceptProposedAction();
            return true;
        }
        if (e->type() == QEvent::Drop) {
            auto* d = static_cast<QDropEvent*>(e);
            const QString ruta = archivo(d->mimeData());
            if (ruta.isEmpty())
                return false;
            d->acceptProposedAction();
            f_(ruta);
            return true;
        }
        return false;
    }

private:
    static QString archivo(const QMimeData* datos)
    {
        if (!datos || datos->urls().size() != 1 || !datos->urls().first().isLocalFile())
            return {};
        return datos->urls().first().toLocalFile();
    }
    std::function<void(const QString&)> f_;
};

} // namespace

void InstaloArrastre(QWidget* destino, std::function<void(const QString&)> alSoltar)
{
    destino->setAcceptDrops(true);
    destino->installEventFilter(new Arrastre(destino, std::move(alSoltar)));
}

CursorOcupado::CursorOcupado() { QApplication::setOverrideCursor(Qt::WaitCursor); }
CursorOcupado::~CursorOcupado() { QApplication::restoreOverrideCursor(); }

QLabel* Etiqueta(QWidget* padre, const char* nombre, const QString& texto, int x, int y, int w, int h)
{
    auto* l = new QLabel(texto, padre);
    l->setObjectName(QString::fromLatin1(nombre));
    l->setGeometry(Tw(x), Tw(y), Tw(w), Tw(h));
    l->setWordWrap(h > 300);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return l;
}

QPushButton* Boton(QWidget* padre, const char* nombre, const QString& texto, int x, int y, int w, int h)
{
    auto* b = new QPushButton(texto, padre);
    b->setObjectName(QString::fromLatin1(nombre));
    b->setAutoDefault(true); // Enter on the focused button presses it, as Space does
    b->setGeometry(Tw(x), Tw(y), Tw(w), Tw(h));
    return b;
}

QLineEdit* Caja(QWidget* padre, const char* nombre, int x, int y, int w, int h, bool bloqueada)
{
    auto* c = new QLineEdit(padre);
    c->setObjectName(QString::fromLatin1(nombre));
    c->setGeometry(Tw(x), Tw(y), Tw(w), Tw(h));
    c->setReadOnly(bloqueada);
    return c;
}

QGroupBox* Marco(QWidget* padre, const char* nombre, const QString& texto, int x, int y, int w, int h)
{
    auto* g = new QGroupBox(texto, padre);
    g->setObjectName(QString::fromLatin1(nombre));
    g->setGeometry(Tw(x), Tw(y), Tw(w), Tw(h));
    return g;
}

void MuestroConNombre(QLabel* etiqueta, const QString& nombre, const std::function<QString(const QString&)>& texto)
{
    const int ancho = qMax(10, etiqueta->width() / qMax(1, etiqueta->fontMetrics().averageCharWidth()) - 4);
    QString visto = nombre;
    for (;;) {
        etiqueta->setText(texto(PartoPalabrasLargas(visto, ancho, u"/\\_-.")));
        if (!etiqueta->wordWrap() || etiqueta->heightForWidth(etiqueta->width()) <= etiqueta->height()
            || visto.size() < 12)
            break;
        const qsizetype queda = visto.size() * 3 / 4 - 1;
        const qsizetype punta = queda / 2;
        visto = nombre.left(punta) + QChar(0x2026) + nombre.right(queda - punta);
    }
    etiqueta->setToolTip(visto == nombre ? QString() : nombre);
}

void ListoNombres(QListWidget* lista, const QStringList& nombres)
{
    lista->clear();
    lista->setTextElideMode(Qt::ElideMiddle);
    lista->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // An item no wider than the list is drawn cut, not scrolled out of sight.
    const QSize tamano(1, lista->fontMetrics().height() + 2);
    for (const QString& n : nombres) {
        auto* item = new QListWidgetItem(n, lista);
        item->setToolTip(n);
        item->setSizeHint(tamano);
    }
}

void PongoColor(QWidget* w, const QColor& color)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, color);
    p.setColor(QPalette::Text, color);
    w->setPalette(p);
}
