#pragma once
// The Parvel object.
#include "report/include/parvel.h"
#include "report/layout.h"

namespace parvel {

class RowSource;

class Parvel final : public com::Object<IParvel> {
public:
    static const com::CLSID& clsid() { return CLSID_Parvel(); }

    void ReportPrint(QList<PrnInfos>& PrnInfo, dao::Recordset* recData, const QString& Title,
                     const QString& sDate, const QString& Total, const QString& AloneName, qint16 Cols,
                     bool AutoDeal, bool PaperRoll) override;
    // The same, reading any row source (null: none).
    void print(QList<PrnInfos>& PrnInfo, RowSource* rows, const QString& Title, const QString& sDate,
               const QString& Total, const QString& AloneName, qint16 Cols, bool AutoDeal, bool PaperRoll);

    QString UsrName() const override { return m_usrName; }
    void setUsrName(const QString& v) override;
    QString Company() const override { return m_company; }
    void setCompany(const QString& v) override;
    QString Address() const override { return m_address; }
    void setAddress(const QString& v) override;
    float Left() const override { return m_margins.left; }
    void setLeft(float v) override { m_margins.left = v; }
    float Right() const override { return m_margins.right; }
    void setRight(float v) override { m_margins.right = v; }
    float Top() const override { return m_margins.top; }
    void setTop(float v) override { m_margins.top = v; }
    float Bottom() const override { return m_margins.bottom; }
    void setBottom(float v) override { m_margins.bottom = v; }
    QString Phone() const override { return m_phone; }
    void setPhone(const QString& v) override;
    qint32 PaperSize() const override { return m_paperSize; }
    void setPaperSize(qint32 v) override;
    void Advise(IParvelEvents* sink) override;

private:
    ~Parvel() override = default;
    bool raiseStateChg(const QString& text, bool& cancel);

    QString m_usrName, m_company, m_address, m_phone;
    qint32 m_paperSize = 9;
    Margins m_margins;
    com::ComPtr<IParvelEvents> m_sink;
};

} // namespace parvel
