#pragma once
// A zip archive written forward in one stream, holding what "zip -j" stores:
// each file under its name without folders (flagged UTF-8 when it is not
// plain ASCII), its modification time, its Unix permissions, deflated, or
// stored where deflate would not make it smaller; zip64 records wherever a
// size, an offset or the number of entries needs them. The MD5 of the
// archive is computed while it is written.
#include "compress/deflate_paralelo.h"
#include "compress/md5_rezagado.h"
#include "system/archivos.h"

#include <QByteArray>
#include <functional>
#include <vector>

struct EntradaZip {
    QString ruta;               // the file to add
    IdentidadArchivo identidad; // as it was checked before the run
};

class EscritorZip {
public:
    // Writes from the start of salida, a file of the run's own (readable: the
    // hash reads it back); a set cancel flag of progreso stops it.
    EscritorZip(ArchivoCrudo& salida, int hilos, Progreso* progreso);

    // Adds one file. It is opened again and must still be the file that was
    // checked, read to its end, and the same once more after reading; any
    // difference is TipoFalla::Cambiado, a read error names the file.
    Estado agrego(const EntradaZip& entrada);
    // Writes the central directory and its end: the archive is complete.
    Estado cierro();
    qint64 tamano() const { return posicionBufer_ + qint64(bufer_.size()); }
    // The hash text of the whole archive, once closed.
    const QString& md5() const { return md5_; }
    // Called after each compressed piece of a file is handed on.
    std::function<void(const QString& ruta)> alComprimir;

    struct Central {
        QByteArray nombre;
        quint32 crc = 0;
        qint64 comprimido = 0, original = 0, desplazamiento = 0;
        quint16 metodo = 0, banderas = 0;
        quint16 hora = 0, fecha = 0; // MS-DOS, local time
        quint32 segundos = 0;        // the same instant, Unix time
        quint32 externos = 0;        // Unix mode in the high half
        bool zip64 = false;          // sizes of 8 bytes in the entry's own records
    };

private:
    void pongo(const char* datos, qint64 n);
    void pongo(const QByteArray& datos) { pongo(datos.constData(), datos.size()); }
    void vuelco();
    void vuelvoA(qint64 posicion);
    bool cancelado() const { return progreso_ && progreso_->cancelado(); }
    Estado guardo(ArchivoCrudo& entrada, const Central& c);
    Estado agregoAbierto(ArchivoCrudo& entrada, Central& c);
    // The file from its start again, its deflated bytes through salida into the archive.
    Estado deflatoDeNuevo(ArchivoCrudo& entrada, const Central& c, const DeflateParalelo::Salida& salida);

    ArchivoCrudo& salida_;
    DeflateParalelo deflate_;
    Progreso* progreso_;
    Md5Rezagado rezagado_;
    QString md5_;
    QByteArray bufer_;
    qint64 posicionBufer_ = 0; // where bufer_ goes in the file
    qint64 escrito_ = 0;       // how far the file has ever been written
    Estado falla_;             // the first write that failed
    std::vector<Central> centrales_;
};
