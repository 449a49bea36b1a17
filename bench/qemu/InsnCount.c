// A qemu-user plugin that counts the guest instructions a program executes and prints the total
// when it exits, for instruction counts on the device's own instruction set:
//
//   qemu-arm -cpu arm926 -plugin build-armel/insn-count.so build-armel/bin/app_instr shown 3
//   -> "insn-count: 123456789 guest instructions" on standard error
//
// scripts/arm-instr.sh builds it with the host's compiler and runs it. Each translated block
// adds its instruction count to the total when it runs; a block left early by a fault or a
// system call counts whole, which the programs measured here do not do in their loops.
#include <inttypes.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

// The few declarations of qemu's plugin interface (version 1, as in qemu 7.2) that this plugin
// uses; the distribution ships no header for it.
typedef uint64_t qemu_plugin_id_t;
typedef struct qemu_info_t qemu_info_t;
struct qemu_plugin_tb;
enum qemu_plugin_op { QEMU_PLUGIN_INLINE_ADD_U64 };
typedef void (*qemu_plugin_vcpu_tb_trans_cb_t)(qemu_plugin_id_t aId, struct qemu_plugin_tb* aTb);
typedef void (*qemu_plugin_udata_cb_t)(qemu_plugin_id_t aId, void* aUserData);
size_t qemu_plugin_tb_n_insns(const struct qemu_plugin_tb* aTb);
void qemu_plugin_register_vcpu_tb_trans_cb(qemu_plugin_id_t aId, qemu_plugin_vcpu_tb_trans_cb_t aCb);
void qemu_plugin_register_vcpu_tb_exec_inline(struct qemu_plugin_tb* aTb, enum qemu_plugin_op aOp,
                                              void* aPtr, uint64_t aImm);
void qemu_plugin_register_atexit_cb(qemu_plugin_id_t aId, qemu_plugin_udata_cb_t aCb,
                                    void* aUserData);

__attribute__((visibility("default"))) int qemu_plugin_version = 1;

// The programs measured are single-threaded: one counter, added to without atomics.
static uint64_t gInstructions;

static void OnTranslation(qemu_plugin_id_t aId, struct qemu_plugin_tb* aTb) {
    (void)aId;
    qemu_plugin_register_vcpu_tb_exec_inline(aTb, QEMU_PLUGIN_INLINE_ADD_U64, &gInstructions,
                                             qemu_plugin_tb_n_insns(aTb));
}

static void OnExit(qemu_plugin_id_t aId, void* aUserData) {
    (void)aId;
    (void)aUserData;
    // The guest's own descriptors are the process's, so write straight to the host's stderr.
    fprintf(stderr, "insn-count: %" PRIu64 " guest instructions\n", gInstructions);
}

__attribute__((visibility("default"))) int qemu_plugin_install(qemu_plugin_id_t aId,
                                                               const qemu_info_t* aInfo,
                                                               int aArgc, char** aArgv) {
    (void)aInfo;
    (void)aArgc;
    (void)aArgv;
    qemu_plugin_register_vcpu_tb_trans_cb(aId, OnTranslation);
    qemu_plugin_register_atexit_cb(aId, OnExit, NULL);
    return 0;
}
