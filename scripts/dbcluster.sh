# The "cluster" commands of scripts/dbserver: three MariaDB nodes on loopback that replicate every
# write to each other (synchronous, multi-primary), for the tests and for trying a cluster out.
# Sourced by scripts/dbserver, which defines find_bin, create_login and stop_pid.
#
# DIR/nodeN/my.cnf is each node's own option file; the state transfer that gives a joining node its
# data (mariabackup over socat) reads the donor's options from it, so the nodes never run with
# --no-defaults. DIR/ports holds the three client ports, node 1 first.

cluster_nodes=(1 2 3)

cluster_free_ports() {
  python3 -c '
import socket, sys
socks = []
for _ in range(int(sys.argv[1])):
    s = socket.socket(); s.bind(("127.0.0.1", 0)); socks.append(s)
print(" ".join(str(s.getsockname()[1]) for s in socks))' "$1"
}

# Writes the option files once; later starts keep the ports the cluster was created with.
cluster_configure() {
  local cdir=$1 ports galera n i provider
  [ -f "$cdir/node1/my.cnf" ] && return 0
  provider=/usr/lib/galera/libgalera_smm.so
  [ -f "$provider" ] || provider=/usr/lib/libgalera_smm.so
  [ -f "$provider" ] || { echo "galera-4 is not installed (scripts/setup installs it)" >&2; return 1; }
  read -r -a ports <<<"$(cluster_free_ports 12)"
  galera="gcomm://127.0.0.1:${ports[3]},127.0.0.1:${ports[4]},127.0.0.1:${ports[5]}"
  for n in "${cluster_nodes[@]}"; do
    i=$((n - 1))
    mkdir -p "$cdir/node$n/data"
    cat >"$cdir/node$n/my.cnf" <<EOF
[mysqld]
user=root
datadir=$cdir/node$n/data
socket=$cdir/node$n/sock
port=${ports[$i]}
bind-address=127.0.0.1
pid-file=$cdir/node$n/mariadbd.pid
log-error=$cdir/node$n/error.log
character-set-server=latin2
collation-server=latin2_hungarian_ci
skip-name-resolve
max-allowed-packet=64M
innodb-buffer-pool-size=96M
innodb-log-file-size=48M
innodb-flush-log-at-trx-commit=2
innodb-doublewrite=0
default-storage-engine=InnoDB
binlog-format=ROW
innodb-autoinc-lock-mode=2
wsrep-on=ON
wsrep-provider=$provider
wsrep-cluster-name=sonoria
wsrep-cluster-address=$galera
wsrep-node-name=node$n
wsrep-node-address=127.0.0.1:${ports[$((i + 3))]}
wsrep-node-incoming-address=127.0.0.1:${ports[$i]}
wsrep-provider-options="gmcast.listen_addr=tcp://127.0.0.1:${ports[$((i + 3))]};ist.recv_addr=127.0.0.1:${ports[$((i + 6))]};gcache.size=32M"
wsrep-sst-method=mariabackup
wsrep-sst-receive-address=127.0.0.1:${ports[$((i + 9))]}
wsrep-sst-auth=root:
EOF
  done
  echo "${ports[0]} ${ports[1]} ${ports[2]}" >"$cdir/ports"
}

cluster_client() { "$(find_bin mariadb mysql)" --no-defaults --socket="$1/sock" -uroot "${@:2}"; }

cluster_state() {
  cluster_client "$1" -N -e "SHOW STATUS LIKE 'wsrep_local_state_comment'" 2>/dev/null | cut -f2
}

cluster_running() { [ -S "$1/sock" ] && cluster_client "$1" -e 'SELECT 1' >/dev/null 2>&1; }

cluster_launch() {
  local node=$1; shift
  "$(find_bin mariadbd mysqld)" --defaults-file="$node/my.cnf" "$@" >/dev/null 2>&1 &
  echo $! >"$node/mariadbd.pid.launch"
}

# Waits (at most 3 minutes) until the launched node is synced with the cluster.
cluster_wait_synced() {
  local node=$1
  for _ in $(seq 1 1800); do
    [ "$(cluster_state "$node")" = Synced ] && return 0
    if ! kill -0 "$(cat "$node/mariadbd.pid.launch")" 2>/dev/null; then
      echo "The node $node did not start; its log:" >&2; tail -n 40 "$node/error.log" >&2; return 1
    fi
    sleep 0.1
  done
  echo "The node $node did not join the cluster in time; its log:" >&2; tail -n 40 "$node/error.log" >&2
  return 1
}

# The node that founds the cluster when none is running: the one that stopped last (its state file
# says it is safe to found from), otherwise node 1.
cluster_founder() {
  local cdir=$1 n
  for n in "${cluster_nodes[@]}"; do
    grep -q '^safe_to_bootstrap: 1' "$cdir/node$n/data/grastate.dat" 2>/dev/null && { echo "$n"; return; }
  done
  echo 1
}

cluster_main() {
  local cmd=$1 cdir=$2 n founder fresh=0 any=0
  [ -n "$cmd" ] && [ -n "$cdir" ] || usage
  case "$cmd" in
  start)
    mkdir -p "$cdir"
    cdir=$(cd "$cdir" && pwd)
    cluster_configure "$cdir"
    for n in "${cluster_nodes[@]}"; do cluster_running "$cdir/node$n" && any=1; done
    if [ $any -eq 0 ]; then
      founder=$(cluster_founder "$cdir")
      if [ ! -d "$cdir/node$founder/data/mysql" ]; then
        fresh=1
        "$(find_bin mariadb-install-db mysql_install_db)" --no-defaults --datadir="$cdir/node$founder/data" \
          --user=root --auth-root-authentication-method=normal --skip-test-db \
          >"$cdir/node$founder/install.log" 2>&1 || { cat "$cdir/node$founder/install.log" >&2; return 1; }
      elif [ -f "$cdir/node$founder/data/grastate.dat" ]; then
        # No node stopped cleanly last (all were killed): found from node 1 anyway.
        sed -i 's/^safe_to_bootstrap: 0/safe_to_bootstrap: 1/' "$cdir/node$founder/data/grastate.dat"
      fi
      cluster_launch "$cdir/node$founder" --wsrep-new-cluster
      cluster_wait_synced "$cdir/node$founder" || return 1
      [ $fresh -eq 1 ] && { create_login cluster_client "$cdir/node$founder" || return 1; }
    fi
    # The others join together; each receives its data from a synced node (a second joiner waits
    # until a donor is free).
    local joining=()
    for n in "${cluster_nodes[@]}"; do
      cluster_running "$cdir/node$n" || { cluster_launch "$cdir/node$n"; joining+=("$n"); }
    done
    for n in "${joining[@]}"; do cluster_wait_synced "$cdir/node$n" || return 1; done
    cat "$cdir/ports"
    ;;
  stop)
    [ -d "$cdir" ] || return 0
    for n in "${cluster_nodes[@]}"; do
      stop_pid "$cdir/node$n/mariadbd.pid"
      stop_pid "$cdir/node$n/mariadbd.pid.launch"
    done
    ;;
  status)
    for n in "${cluster_nodes[@]}"; do [ "$(cluster_state "$cdir/node$n")" = Synced ] || return 1; done
    ;;
  *) usage ;;
  esac
}
