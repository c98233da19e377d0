#pragma once

// Checks the ES256 signatures of receipts on all cores. The caller fills
// batches of signature tasks in file order and submits them; worker threads
// check them, and the finished batches come back to the caller's thread,
// through the completion function, in the order they were submitted. At
// most a fixed number of batches is on the way: submit() waits when the
// queue is full, so memory stays bounded whatever the number of receipts.
//
//     rksv::SignaturePool pool([](rksv::SignatureBatch &batch) { ... });
//     const int key = pool.addKey(certificate.publicKey());
//     auto batch = std::make_unique<rksv::SignatureBatch>();
//     batch->add(key, receiptText, position);
//     pool.submit(std::move(batch));
//     ...
//     pool.finish();

#include "OpenSslHandles.h"

#include <QByteArray>
#include <QByteArrayView>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace rksv {

struct SignatureTask
{
    enum class Outcome { Valid, Invalid, Malformed, NotCanonical };

    int key = -1;
    qint64 position = 0; // the caller's order number of the receipt
    qsizetype offset = 0; // of the compact JWS in the batch's texts
    qsizetype signingInputLength = 0;
    qsizetype length = 0;
    Outcome outcome = Outcome::Invalid;
};

// A batch of tasks; callers derive from it to carry their own findings
// along in order.
struct SignatureBatch
{
    virtual ~SignatureBatch() = default;

    // Queues the check of a compact JWS whose signing input ends at the
    // second dot.
    void add(int key, QByteArrayView compactJws, qsizetype signingInputLength, qint64 position);

    QByteArray texts;
    std::vector<SignatureTask> tasks;
    bool done = false; // guarded by the pool
};

class SignaturePool
{
public:
    using Completion = std::function<void(SignatureBatch &)>;

    // threads 0: one per core.
    explicit SignaturePool(Completion completion, int threads = 0);
    ~SignaturePool();
    SignaturePool(const SignaturePool &) = delete;
    SignaturePool &operator=(const SignaturePool &) = delete;

    // A public key for tasks; the pool keeps its own reference.
    int addKey(EVP_PKEY *publicKey);
    void submit(std::unique_ptr<SignatureBatch> batch);
    // Waits for every submitted batch and hands it on.
    void finish();

    int threadCount() const { return int(m_threads.size()); }

    static constexpr int batchSize = 256;

private:
    void work();
    void check(SignatureBatch &batch, std::vector<std::unique_ptr<class Es256Verifier>> &verifiers);
    void handOnFinished(bool wait);

    Completion m_completion;
    std::mutex m_mutex;
    std::condition_variable m_workAvailable;
    std::condition_variable m_batchDone;
    std::deque<SignatureBatch *> m_queue;                  // waiting for a worker
    std::deque<std::unique_ptr<SignatureBatch>> m_pending; // submitted, not yet handed on
    std::deque<KeyHandle> m_keys;
    bool m_stopping = false;
    size_t m_maxPending = 0;
    std::vector<std::thread> m_threads;
};

} // namespace rksv
