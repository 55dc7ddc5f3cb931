// HTTP requests over WinINet for the download component.
#pragma once

#include <memory>

#include "news/HttpFetch.h"

namespace vexil {

std::unique_ptr<IHttpRequest> CreateWinInetRequest();

}  // namespace vexil
