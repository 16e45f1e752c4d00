# Sourced by the benchmarks. The simulator stands for other machines: it gets a processor of its
# own (sim_cpu), and the program the others (program_cpu). On a shared processor the scheduler
# can let the simulator send its whole burst before the program runs at all, and no reader in
# user space keeps up with that.
if (($(nproc) >= 2)); then
  sim_cpu=(taskset -c 0)
  program_cpu=(taskset -c "1-$(($(nproc) - 1))")
else
  sim_cpu=()
  program_cpu=()
fi
