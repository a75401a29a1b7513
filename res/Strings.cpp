#include "res/resource.h"

std::string LoadResourceString(UINT nID)
{
    switch (nID) {
    case IDP_SOCKETS_INIT_FAILED:
        return "Windows ｿｹｯﾄの初期化に失敗しました。";
    default:
        return {};
    }
}
