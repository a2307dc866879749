#pragma once
// A transaction of the engine that rolls back unless committed; nests as save points.
//
//   dao::Transaction tx;   // BeginTrans
//   ...                    // raises: the destructor rolls back
//   tx.commit();           // CommitTrans
#include "platform/dao/dao.h"

namespace dao {

class Transaction {
public:
    explicit Transaction(int reads = dbReadsLock) { DBEngine::BeginTrans(reads); }
    ~Transaction()
    {
        if (m_open) {
            try {
                DBEngine::Rollback();
            } catch (...) {
                // the error that unwound us is the one to report
            }
        }
    }
    void commit()
    {
        DBEngine::CommitTrans();
        m_open = false;
    }
    void rollback()
    {
        m_open = false;
        DBEngine::Rollback();
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

private:
    bool m_open = true;
};

} // namespace dao
