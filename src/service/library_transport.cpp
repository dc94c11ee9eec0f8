#include "service/library_transport.h"

#include "service/rate_limiter.h"

#include "platform/network.h"
#include "service/exchange_bookkeeping.h"
#include "service/web_address.h"

namespace orvik {

bool LibraryTransport::Delivery::SendHead(const std::function<FetchHead()>& head) {
  if (headSent_) return !refused_;
  headSent_ = true;
  refused_ = onHead_ && !onHead_(head());
  return !refused_;
}

bool LibraryTransport::Delivery::Block(std::string_view block,
                                       const std::function<FetchHead()>& head) {
  if (!SendHead(head)) return false;
  if (onBody_ && !onBody_(block)) refused_ = true;
  return !refused_;
}

bool LibraryTransport::Delivery::End(const std::function<FetchHead()>& head) {
  return SendHead(head);
}

std::optional<std::string> LibraryTransport::PostForm(const std::string& url,
                                                      const std::string& form,
                                                      TransportError* out) {
  const ExchangeLog log("POST", url);
  // Form posts go to the plain-http service only; anything else is not sent at all.
  if (!IsPlainHttpUrl(url)) {
    log.Finish({TransportFailure::Other, 0, "not a plain http address"}, 0, out);
    return std::nullopt;
  }
  ReplyCollector reply(kMaxFormReplyBytes);
  Delivery delivery(nullptr, [&](std::string_view block) { return reply.Add(block); });
  Exchange exchange;
  exchange.post = true;
  exchange.url = url;
  exchange.form = form;
  const Outcome outcome = Run(exchange, delivery);
  TransportError error;
  if (reply.tooLarge) {
    error = reply.TooLargeError(outcome.status);
  } else if (!outcome.whole) {
    error = outcome.error;
  }
  error.status = outcome.status;  // also with a reply: the caller may care about an error status
  log.Finish(error, outcome.status, out);
  if (error.kind != TransportFailure::None) return std::nullopt;
  return JoinReplyLines(reply.body);
}

std::optional<std::string> LibraryTransport::GetSecure(const std::string& path,
                                                       TransportError* out) {
  const std::string url = address_.secureOrigin + path;
  const ExchangeLog log("GET", url);
  ReplyCollector reply(kMaxFormReplyBytes);
  bool rejected = false;  // a status other than 200: its body is not read
  Delivery delivery([&](const FetchHead& head) { return !(rejected = head.status != 200); },
                    [&](std::string_view block) { return reply.Add(block); });
  Exchange exchange;
  exchange.url = url;
  exchange.secureOnly = true;
  const Outcome outcome = Run(exchange, delivery);
  TransportError error;
  if (shutdown_.stop_requested()) {
    error = {TransportFailure::Aborted, outcome.status, "stopped"};
  } else if (rejected) {
    error = StatusError(outcome.status);
  } else if (reply.tooLarge) {
    error = reply.TooLargeError(outcome.status);
  } else if (!outcome.whole) {
    error = outcome.error;
  }
  log.Finish(error, outcome.status, out);
  if (error.kind != TransportFailure::None) return std::nullopt;
  return JoinReplyLines(reply.body);
}

bool LibraryTransport::DownloadFile(const std::string& url, const std::filesystem::path& localPath,
                                    TransportError* out) {
  const ExchangeLog log("GET", url);
  PictureFile picture(localPath);
  bool rejected = false;
  Delivery delivery([&](const FetchHead& head) { return !(rejected = head.status != 200); },
                    [&](std::string_view block) { return picture.Add(block); });
  Exchange exchange;
  exchange.url = url;
  const Outcome outcome = Run(exchange, delivery);
  TransportError error;
  if (outcome.invalidUrl) {
    error = {TransportFailure::Other, 0, "invalid address"};
  } else if (rejected) {
    error = StatusError(outcome.status);
  } else {
    error = picture.Finish(outcome.status, outcome.whole ? TransportError{} : outcome.error);
  }
  log.Finish(error, outcome.status, out);
  return error.kind == TransportFailure::None;
}

bool LibraryTransport::IsConnected() { return platform::HasNetworkConnection(); }

FetchResult LibraryTransport::Fetch(const FetchRequest& request) {
  const ExchangeLog log("GET", request.url);
  Exchange exchange;
  exchange.url = request.url;
  exchange.deadline = kFetchDeadline;
  exchange.lowSpeedBytesPerSecond = kFetchLowSpeedBytesPerSecond;
  exchange.package = true;
  exchange.resumeFrom = request.resumeFrom;
  exchange.stop = request.stop;
  // A validator with a line break would add a header of the service's choosing.
  if (request.resumeFrom && request.ifRange.find_first_of("\r\n") == std::string::npos)
    exchange.ifRange = request.ifRange;
  // The cap counts what really arrived; a stop during its hold ends the transfer.
  std::function<bool(std::string_view)> onBody = request.onBody;
  if (request.limiter)
    onBody = [&request](std::string_view block) {
      return (!request.onBody || request.onBody(block)) &&
             request.limiter->Received(block.size(), request.stop);
    };
  Delivery delivery(request.onHead, std::move(onBody));
  const Outcome outcome = Run(exchange, delivery);

  FetchResult result;
  result.status = outcome.status;
  if (outcome.invalidUrl) {
    result.error = "Invalid URL";
    result.failure = TransportFailure::Other;
  } else if (outcome.whole) {
    result.transportOk = true;
  } else {
    TransportError error = outcome.error;
    if (delivery.Refused() || error.kind == TransportFailure::None)
      error.kind = TransportFailure::Aborted;
    result.aborted = error.kind == TransportFailure::Aborted;
    result.error = result.aborted ? "Aborted" : error.detail;
    result.failure = error.kind;
    error.status = outcome.status;
    log.Finish(error, outcome.status);
  }
  return result;
}

}  // namespace orvik
