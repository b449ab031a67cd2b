#!/usr/bin/env bash
# Sourceable: the one way a script starts q17sim on a pseudo-terminal.
#
#   source scripts/sim-env.sh
#
#   q17_sim_start SIM [ARGS...]
#       Starts the q17sim program SIM with ARGS in the background and waits
#       (60 s at most) for the pseudo-terminal it serves: its path in
#       Q17_SIM_PTY, its process id in Q17_SIM_PID. Its standard input and
#       output stay with this shell for q17_sim_control; its standard error
#       goes to the file Q17_SIM_ERR names, else to this shell's. Returns
#       non-zero, with a line on standard error, when it printed no path.
#
#   q17_sim_control LINE
#       Sends one control line (q17sim started without --no-stdin); the
#       answer in q17_sim_answer. Non-zero, with a line on standard error,
#       when no answer came within 60 s or it is not "ok ...".
#
#   q17_sim_stop
#       Ends q17sim and waits for it; does nothing when none runs, so it
#       fits an EXIT trap.

q17_sim_start() {
  local sim=${1:?q17_sim_start: q17sim program needed}
  shift
  local err=${Q17_SIM_ERR:-/dev/stderr}
  coproc Q17_SIM { exec "$sim" "$@" 2>>"$err"; }
  # The coprocess's own variables are gone once it ends; the id is kept apart.
  q17_sim_pid=$Q17_SIM_PID
  Q17_SIM_PTY=""
  if ! read -r -t 60 Q17_SIM_PTY <&"${Q17_SIM[0]}" || [[ -z $Q17_SIM_PTY ]]; then
    echo "q17sim did not print its port (see ${Q17_SIM_ERR:-its messages above})" >&2
    return 1
  fi
}

q17_sim_control() {
  q17_sim_answer=""
  echo "$*" >&"${Q17_SIM[1]}" &&
    read -r -t 60 q17_sim_answer <&"${Q17_SIM[0]}" ||
    { echo "q17sim gave no answer to '$*'" >&2; return 1; }
  [[ $q17_sim_answer == ok* ]] || { echo "q17sim refused '$*': $q17_sim_answer" >&2; return 1; }
}

q17_sim_stop() {
  [[ -n ${q17_sim_pid:-} ]] || return 0
  kill "$q17_sim_pid" 2>/dev/null || true
  wait "$q17_sim_pid" 2>/dev/null || true
  q17_sim_pid=""
}

# Run as a command rather than sourced: say how it is meant.
if [[ "${BASH_SOURCE[0]}" == "$0" ]]; then
  echo "usage: source scripts/sim-env.sh, then q17_sim_start, q17_sim_control, q17_sim_stop" >&2
  exit 2
fi
