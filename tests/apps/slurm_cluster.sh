#!/bin/sh
# Starts a one-node Slurm cluster (munge, slurmctld, slurmd on localhost, two CPUs) in folder $1
# and writes $1/env with SLURM_CONF for the commands. Exits 77 with a message when it cannot
# (not root, Slurm or munge missing, the daemons do not come up).
#   slurm_cluster.sh start DIR | slurm_cluster.sh stop DIR
set -u
cmd=$1 dir=$2

stop() {
    for pid in "$dir"/slurmd.pid "$dir"/slurmctld.pid "$dir"/munged.pid; do
        [ -s "$pid" ] && kill "$(cat "$pid")" 2>/dev/null
    done
    sleep 1
}

if [ "$cmd" = stop ]; then stop; exit 0; fi

skip() { echo "SKIP: $*"; stop; exit 77; }
[ "$(id -u)" -eq 0 ] || skip "a Slurm cluster needs root (CI runs as root)"
for tool in slurmctld slurmd munged sbatch scontrol; do
    command -v "$tool" >/dev/null 2>&1 || PATH=$PATH:/usr/sbin
    command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed (Debian: slurm-wlm, munge)"
done

mkdir -p "$dir/state" "$dir/spool" "$dir/munge"
chmod 700 "$dir/munge"
# A key of the cluster's own, and munge on a socket of its own beside the system's.
dd if=/dev/urandom of="$dir/munge/munge.key" bs=1024 count=1 2>/dev/null
chmod 400 "$dir/munge/munge.key"
socket="$dir/munge/munge.socket"
munged --force --key-file="$dir/munge/munge.key" --socket="$socket" --pid-file="$dir/munged.pid" \
       --log-file="$dir/munge/munged.log" --seed-file="$dir/munge/seed" || skip "munged does not start"

ctl_port=$((20000 + $$ % 20000))
cat > "$dir/slurm.conf" <<CONF
ClusterName=quarviktest
SlurmctldHost=localhost(127.0.0.1)
SlurmctldPort=$ctl_port
SlurmdPort=$((ctl_port + 1))
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$socket
CredType=cred/munge
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
SlurmctldPidFile=$dir/slurmctld.pid
SlurmdPidFile=$dir/slurmd.pid
SlurmctldLogFile=$dir/slurmctld.log
SlurmdLogFile=$dir/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
SchedulerType=sched/backfill
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
MpiDefault=none
ReturnToService=2
MinJobAge=3600
SchedulerParameters=sched_interval=1
NodeName=localhost NodeAddr=127.0.0.1 CPUs=2 State=UNKNOWN
PartitionName=check Nodes=localhost Default=YES MaxTime=INFINITE State=UP
CONF
echo "SLURM_CONF=$dir/slurm.conf; export SLURM_CONF" > "$dir/env"
export SLURM_CONF="$dir/slurm.conf"
slurmctld -f "$SLURM_CONF" || skip "slurmctld does not start: $(tail -3 "$dir/slurmctld.log" 2>/dev/null)"
slurmd -f "$SLURM_CONF" -N localhost || skip "slurmd does not start: $(tail -3 "$dir/slurmd.log" 2>/dev/null)"
i=0
until sinfo -h -o %T 2>/dev/null | grep -q idle; do
    i=$((i + 1))
    [ $i -le 30 ] || skip "the node did not come up: $(tail -3 "$dir/slurmd.log" 2>/dev/null)"
    sleep 1
done
exit 0
