#include "SignaturePool.h"

#include "Base64.h"
#include "Error.h"
#include "ReceiptChain.h"
#include "Es256Verifier.h"

#include <QThread>

namespace rksv {

void SignatureBatch::add(int key, QByteArrayView compactJws, qsizetype signingInputLength, qint64 position)
{
    tasks.push_back({key, position, texts.size(), signingInputLength, compactJws.size()});
    texts.append(compactJws);
}

SignaturePool::SignaturePool(Completion completion, int threads) : m_completion(std::move(completion))
{
    const int count = threads > 0 ? threads : std::max(1, QThread::idealThreadCount());
    m_maxPending = size_t(4 * count);
    for (int i = 0; i < count; ++i)
        m_threads.emplace_back([this] { work(); });
}

SignaturePool::~SignaturePool()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_workAvailable.notify_all();
    for (std::thread &thread : m_threads)
        thread.join();
}

int SignaturePool::addKey(EVP_PKEY *publicKey)
{
    EVP_PKEY_up_ref(publicKey);
    std::lock_guard lock(m_mutex);
    m_keys.emplace_back(publicKey);
    return int(m_keys.size() - 1);
}

void SignaturePool::submit(std::unique_ptr<SignatureBatch> batch)
{
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(batch.get());
        m_pending.push_back(std::move(batch));
    }
    m_workAvailable.notify_one();
    handOnFinished(false);
}

void SignaturePool::finish()
{
    while (true) {
        {
            std::lock_guard lock(m_mutex);
            if (m_pending.empty())
                return;
        }
        handOnFinished(true);
    }
}

// Hands on the finished batches at the front; waits for the front one
// while the queue is full (or, at the end, while any is left).
void SignaturePool::handOnFinished(bool drain)
{
    while (true) {
        std::unique_ptr<SignatureBatch> front;
        {
            std::unique_lock lock(m_mutex);
            if (m_pending.empty())
                return;
            const bool mustWait = drain || m_pending.size() > m_maxPending;
            if (!m_pending.front()->done) {
                if (!mustWait)
                    return;
                m_batchDone.wait(lock, [this] { return m_pending.front()->done; });
            }
            front = std::move(m_pending.front());
            m_pending.pop_front();
        }
        m_completion(*front);
        if (drain)
            return;
    }
}

void SignaturePool::work()
{
    std::vector<std::unique_ptr<Es256Verifier>> verifiers; // by key, this thread's own
    while (true) {
        SignatureBatch *batch = nullptr;
        {
            std::unique_lock lock(m_mutex);
            m_workAvailable.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
            if (m_queue.empty())
                return;
            batch = m_queue.front();
            m_queue.pop_front();
        }
        check(*batch, verifiers);
        {
            std::lock_guard lock(m_mutex);
            batch->done = true;
        }
        m_batchDone.notify_all();
    }
}

void SignaturePool::check(SignatureBatch &batch, std::vector<std::unique_ptr<Es256Verifier>> &verifiers)
{
    for (SignatureTask &task : batch.tasks) {
        const QByteArrayView text = QByteArrayView(batch.texts).sliced(task.offset, task.length);
        const QByteArrayView signatureText = text.sliced(task.signingInputLength + 1);
        const auto signature = Base64::decodeUrl(signatureText);
        if (!signature || signature->size() != 64) {
            // The signed bytes must have one text: stray bits in the last
            // character are refused, and told as what they are.
            const auto loose = Base64::decodeUrlIgnoringUnusedBits(signatureText);
            task.outcome = !signature && loose && loose->size() == 64 ? SignatureTask::Outcome::NotCanonical
                                                                      : SignatureTask::Outcome::Malformed;
            continue;
        }
        if (size_t(task.key) >= verifiers.size())
            verifiers.resize(size_t(task.key) + 1);
        if (!verifiers[size_t(task.key)]) {
            EVP_PKEY *key = nullptr;
            {
                std::lock_guard lock(m_mutex);
                key = m_keys[size_t(task.key)].get();
            }
            try {
                verifiers[size_t(task.key)] = std::make_unique<Es256Verifier>(key);
            } catch (const Error &) {
                task.outcome = SignatureTask::Outcome::Invalid;
                continue;
            }
        }
        const bool valid = verifiers[size_t(task.key)]->verify(sha256(text.first(task.signingInputLength)), *signature);
        task.outcome = valid ? SignatureTask::Outcome::Valid : SignatureTask::Outcome::Invalid;
    }
}

} // namespace rksv
