#pragma once
// Small helpers that every screen shares.
#include "system/pantallas/dialogos.h"

#include <QColor>
#include <QString>
#include <functional>
#include <optional>

class QScreen;
class QWidget;
class QLabel;
class QPushButton;
class QLineEdit;
class QGroupBox;
class QListWidget;

// The screens are laid out in twips (15 to a pixel at 96 dpi) for an 8-point
// font; they grow or shrink with the font actually used.
int Tw(int twips);

// Takes the desktop's interface font and size, and lays the screens out in
// proportion to it; where the largest screen would not fit the screen it
// opens on, layout and font shrink together. Once, before any window.
void AdoptoLetraDelEscritorio();

// The window's screen, or the primary one (none without a screen at all).
const QScreen* PantallaDe(const QWidget* ventana);
// A window that can be resized is made no larger than its screen leaves room for.
void EncajoEnPantalla(QWidget* ventana);
// Places the form at (screen - form) / divisor on each axis.
void centroFormulario(QWidget* formulario, int divisorH = 2, int divisorV = 2);

// Places a window over the centre of another (the screen's when none), kept on screen.
void CentroSobre(QWidget* ventana, const QWidget* sobre);

// The folder browser: caption line CarpetaGuardada or the root; nullopt on cancel.
std::optional<QString> SeleccionoCarpeta(Dialogos& dialogos, QWidget* padre);
QString LeyendaCarpeta();

// A file dropped on the widget is handed over as if chosen in the dialog.
void InstaloArrastre(QWidget* destino, std::function<void(const QString&)> alSoltar);

// Busy pointer for the lifetime of the object.
class CursorOcupado {
public:
    CursorOcupado();
    ~CursorOcupado();
    CursorOcupado(const CursorOcupado&) = delete;
    CursorOcupado& operator=(const CursorOcupado&) = delete;
};

QLabel* Etiqueta(QWidget* padre, const char* nombre, const QString& texto, int x, int y, int w, int h);
QPushButton* Boton(QWidget* padre, const char* nombre, const QString& texto, int x, int y, int w, int h);
QLineEdit* Caja(QWidget* padre, const char* nombre, int x, int y, int w, int h, bool bloqueada);
QGroupBox* Marco(QWidget* padre, const char* nombre, const QString& texto, int x, int y, int w, int h);
void PongoColor(QWidget* w, const QColor& color);
// A list of file names as wide as the list: a long one is cut in the middle
// (the end tells a set's names apart), and its tooltip has it whole.
void ListoNombres(QListWidget* lista, const QStringList& nombres);
// A caption that carries a file name: a long name breaks inside the label,
// and where the label still cannot hold it, it is cut in the middle (its end
// tells a set's names apart); the tooltip has it whole.
void MuestroConNombre(QLabel* etiqueta, const QString& nombre, const std::function<QString(const QString&)>& texto);

inline QColor ColorRojo() { return QColor(255, 0, 0); }
inline QColor ColorVerde() { return QColor(0, 192, 0); }
inline QColor ColorAzul() { return QColor(0, 0, 255); }
