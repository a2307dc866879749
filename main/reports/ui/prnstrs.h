#pragma once
// Text on the system printer at positions in millimetres, every position shifted by two
// offsets so a whole card can be moved on the paper. Creating the object switches the
// printer to millimetres; the first text starts a job, EndDoc sends it, KillDoc drops it.
#include <QString>

namespace ostrel {

class PrnSTRs {
public:
    PrnSTRs();

    void KillDoc();
    void EndDoc();
    bool FontBold() const;
    void setFontBold(bool on);
    // Points; the getter rounds the printer's size, halves to even.
    qint32 FontSize() const;
    void setFontSize(qint32 points);
    QString FontName() const;
    void setFontName(const QString& name);
    // Prints Text with its top-left corner at (LeftShift + X, TopShift + Y); a sum outside
    // 32 bits raises the overflow error.
    void PrnSTR(const QString& Text, qint32 X, qint32 Y);

    qint32 TopShift() const { return m_topShift; }
    void setTopShift(qint32 v) { m_topShift = v; }
    qint32 LeftShift() const { return m_leftShift; }
    void setLeftShift(qint32 v) { m_leftShift = v; }

private:
    qint32 m_leftShift = 0;
    qint32 m_topShift = 0;
};

} // namespace ostrel
