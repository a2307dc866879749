#pragma once
// A one-entry cache of the last device picture stored or shown. It checks nothing:
// a reader uses Picture only when ID is its device and UpdateTime is recent enough.
#include <QDateTime>
#include <QPixmap>

namespace ostrel {

class cPicInfo {
public:
    QPixmap Picture() const { return m_picture; }
    void setPicture(const QPixmap& picture) { m_picture = picture; }
    QDateTime UpdateTime() const { return m_updateTime; }
    void setUpdateTime(const QDateTime& time) { m_updateTime = time; }
    qint32 ID() const { return m_id; }
    void setID(qint32 id) { m_id = id; }

private:
    QPixmap m_picture;
    QDateTime m_updateTime;
    qint32 m_id = 0;
};

// The one picture cache, made on first use.
cPicInfo& gPicInfo();
// Drops the cache (at shutdown).
void ReleasePicInfo();

} // namespace ostrel
