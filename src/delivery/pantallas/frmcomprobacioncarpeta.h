#pragma once
#include "delivery/comprobacion_carpeta.h"
#include "system/pantallas/pantalla_trabajo.h"

#include <mutex>

class QCheckBox;
class QComboBox;
class QLabel;
class QSortFilterProxyModel;
class QStandardItem;
class QStandardItemModel;
class QTreeView;

// Checks a whole delivery: the stamped files of folders or of chosen files,
// one row each, the partition sets grouped, with corrections and a report.
class FrmComprobacionCarpeta : public PantallaTrabajo {
    Q_OBJECT
public:
    explicit FrmComprobacionCarpeta(Contexto& contexto);
    // Files and folders chosen or dropped: they are checked at once.
    void CompruebaRutas(const QStringList& rutas);

signals:
    // "Unir" on a complete, correct set: the join screen takes it over.
    void abroUnion(const QString& particion);

protected:
    void resizeEvent(QResizeEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    void cmdCarpeta_Click();
    void cmdArchivos_Click();
    void cmdComprobar_Click();
    void cmdCorregir_Click();
    void cmdGuardar_Click();
    void cmdUnir_Click();
    void cboEstado_Change();

    bool compruebo(const QStringList& rutas);
    void agregoFila(int indice, const FilaComprobacion& fila, QStandardItem* padre = nullptr);
    void vacioPendientes();
    void muestroResultado();
    void actualizoBotones();
    int juegoElegido() const;

    QStringList rutas_;
    Comprobacion hecha_;
    std::mutex mutex_;
    std::vector<FilaComprobacion> pendientes_; // checked, not yet shown
    int vistas_ = 0, totalArchivos_ = 0;

    QLineEdit* txtOrigen;
    QPushButton* cmdCarpeta;
    QPushButton* cmdArchivos;
    QCheckBox* chkSubcarpetas;
    QPushButton* cmdComprobar;
    QComboBox* cboEstado;
    QTreeView* tblArchivos;
    QStandardItemModel* modelo;
    QSortFilterProxyModel* filtro;
    QLabel* lblResumen;
    QProgressBar* barra;
    QPushButton* cmdCorregir;
    QPushButton* cmdGuardar;
    QPushButton* cmdUnir;
    QPushButton* cmdSalir;
};
