#pragma once
#include "app/pantallas/portada.h"
#include "config/archivo_ini.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>

struct Contexto;
class QLabel;
class FrmAgregoHash;
class FrmCorroboroHash;
class FrmComprobacionCarpeta;
class Cortar;
class Unir;
class FrmCompriArchMulti;
class FrmAcercaDe;
class VisorAyuda;
struct Pedido;

// The main menu: start-up sequence and the only way into the working screens.
class FrmInicio : public QMainWindow {
    Q_OBJECT
public:
    // The cover may be already on its way (start-up starts it first thing).
    explicit FrmInicio(Contexto& contexto, std::unique_ptr<Portada> portada = {});
    ~FrmInicio() override;
    static QSize TamanoPortada();

    // The start-up sequence, strictly in order; the menu is shown after it.
    void Form_Load();

    void Chash_Click();
    void Part_Click();
    void uni_Click();
    void CompHash_Click();
    void CompCarpeta_Click();
    void CoArPrPaPu_Click();
    void Sal_Click();
    void Acerca_Click();
    void Ayu_Click();
    void muestroAyuda(const QString& seccion, QWidget* sobre);

    QLabel* lblAmbiente = nullptr;
    QString archivoAyuda;
    QPointer<FrmAgregoHash> agregoHash;
    QPointer<FrmCorroboroHash> corroboroHash;
    QPointer<FrmComprobacionCarpeta> comprobacionCarpeta;
    QPointer<Cortar> cortar;
    QPointer<Unir> unir;
    QPointer<FrmCompriArchMulti> compriArchMulti;
    QPointer<FrmAcercaDe> acercaDe;
    QPointer<VisorAyuda> ayuda;

    // Opens the screen that fits the files (terv ARCHIVO..., a file manager's
    // action, or a second terv), filled in, instead of the menu. False, and
    // nothing done, while a screen runs a job.
    bool abroArchivos(const Pedido& pedido);

protected:
    void showEvent(QShowEvent* evento) override;

private:
    template <class T>
    void abro(QPointer<T>& pantalla, bool descargarAlVolver);
    // F1 in that window opens the help at its section.
    void instaloF1(QWidget* ventana);
    void muestroAmbiente(const Configuracion& c);
    Contexto& ctx_;
    QLabel* picture1_ = nullptr;
    std::unique_ptr<Portada> portada_;
};
