#include "platform/core/vberror.h"

namespace vb {

Error::Error(int number, QString description, QString source)
    : m_number(number), m_description(std::move(description)), m_source(std::move(source)),
      m_what(m_description.toUtf8())
{
}

QString Error::runtimeText(int number)
{
    switch (number) {
    case errInvalidCall: return QStringLiteral("无效的过程调用或参数");
    case errOverflow: return QStringLiteral("溢出");
    case errSubscript: return QStringLiteral("下标越界");
    case errTypeMismatch: return QStringLiteral("类型不匹配");
    case errBadFileName: return QStringLiteral("文件名或文件号错误");
    case errFileNotFound: return QStringLiteral("文件未找到");
    case errPermissionDenied: return QStringLiteral("没有权限");
    case errPathNotFound: return QStringLiteral("路径未找到");
    case errObjectNotSet: return QStringLiteral("对象变量或 With 块变量未设置");
    case errCantCreateObject: return QStringLiteral("部件不能创建对象");
    case errKeyExists: return QStringLiteral("此键已经与该集合的一个元素相关联");
    default: return QStringLiteral("应用程序定义的错误或对象定义的错误");
    }
}

Error Error::runtime(int number, const QString& source)
{
    return Error(number, runtimeText(number), source);
}

} // namespace vb
