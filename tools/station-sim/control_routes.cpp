// The loopback control endpoint through which tests steer the simulator.
#include "sim_server.h"

namespace sim {
namespace {

using Handler = std::function<nlohmann::json(const nlohmann::json& body)>;

// Parses the body, runs `fn` and answers its result, or 400 with the reason.
httplib::Server::Handler JsonHandler(Handler fn) {
  return [fn = std::move(fn)](const httplib::Request& req, httplib::Response& res) {
    try {
      const nlohmann::json body =
          req.body.empty() ? nlohmann::json::object() : nlohmann::json::parse(req.body);
      res.set_content(DumpJson(fn(body)), "application/json");
    } catch (const std::exception& e) {
      res.status = 400;
      res.set_content(DumpJson({{"error", e.what()}}), "application/json");
    }
  };
}

}  // namespace

void RegisterControlRoutes(httplib::Server& server, SimContext& ctx) {
  const auto state = [&ctx] { return ctx.state.ToJson(Steady::now()); };
  server.Get("/control/state", JsonHandler([state](const nlohmann::json&) { return state(); }));
  server.Post("/control/scenario", JsonHandler([&ctx, state](const nlohmann::json& b) {
                ctx.state.Apply(b, Steady::now());
                return state();
              }));
  server.Post("/control/clock", JsonHandler([&ctx, state](const nlohmann::json& b) {
                ctx.state.Apply({{"clock", b}}, Steady::now());
                return state();
              }));
  server.Post("/control/songs", JsonHandler([&ctx, state](const nlohmann::json& b) {
                nlohmann::json sc = {{"songs", b.at("songs")}};
                if (b.contains("start")) sc["playlist_start"] = b.at("start");
                ctx.state.Apply(sc, Steady::now());
                return state();
              }));
  server.Post("/control/lag", JsonHandler([&ctx, state](const nlohmann::json& b) {
                ctx.state.Apply({{"stream_lag", b.at("seconds")}}, Steady::now());
                return state();
              }));
  server.Post("/control/faults", JsonHandler([&ctx, state](const nlohmann::json& b) {
                ctx.state.SetFault(FaultFromJson(b));
                return state();
              }));
  server.Delete("/control/faults", JsonHandler([&ctx, state](const nlohmann::json&) {
                  ctx.state.ClearFaults();
                  return state();
                }));
  // A listener's connection closes as a dropped stream would; new requests are served.
  server.Post("/control/streams/cut", JsonHandler([&ctx, state](const nlohmann::json&) {
                ctx.state.CutStreams();
                return state();
              }));
  server.Get("/control/requests",
             JsonHandler([&ctx](const nlohmann::json&) { return ctx.log.ToJson(); }));
  server.Delete("/control/requests", JsonHandler([&ctx](const nlohmann::json&) {
                  ctx.log.Clear();
                  return ctx.log.ToJson();
                }));
}

}  // namespace sim
