#pragma once
// The MD5 of an archive being written, on a thread of its own that reads back
// what the writer has written, a little behind the writes: hashing never holds
// up the deflate nor the writes. The writer may mark a point it could return
// to (an entry not yet decided); the hash keeps its state there.
#include "hash/motor_hash.h"
#include "system/archivos.h"
#include "system/progreso.h"

#include <condition_variable>
#include <mutex>
#include <thread>

class Md5Rezagado {
public:
    // archivo is read from its start; a set cancel flag stops the hashing.
    Md5Rezagado(ArchivoCrudo& archivo, const Progreso* progreso);
    ~Md5Rezagado();
    Md5Rezagado(const Md5Rezagado&) = delete;
    Md5Rezagado& operator=(const Md5Rezagado&) = delete;

    // The first posicion bytes are written. Waits while the hash is too far behind.
    void avanzo(qint64 posicion);
    // A point, at the end of what is written, that vuelvo may return to.
    void marco(qint64 posicion);
    // Back to the mark: what follows it will be written again.
    void vuelvo();
    // The hash text of the first largo bytes, all final now.
    Resultado<QString> termino(qint64 largo);

private:
    void trabajo();

    ArchivoCrudo& archivo_;
    const Progreso* progreso_;
    Md5 md5_;
    Md5 enMarca_; // the state at marca_, once the hash gets there
    std::mutex m_;
    std::condition_variable cambio_;
    qint64 final_ = 0; // what may be hashed
    qint64 hecho_ = 0; // what has been
    qint64 marca_ = -1;
    bool marcado_ = false; // enMarca_ holds the state at marca_
    bool ocupado_ = false; // hashing a block, out of the lock
    bool fin_ = false;     // final_ will not grow any more
    bool parar_ = false;
    Estado falla_;
    std::thread hilo_;
};
