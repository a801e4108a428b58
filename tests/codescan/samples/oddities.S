# Encodings compilers seldom emit but the processor takes, each where its
# length is easy to get wrong.
        .text
        .globl Oddities
Oddities:
# Prefixes: repeated, mixed, and the operand and address sizes.
        .byte 0x66, 0x66, 0x2e, 0x0f, 0x1f, 0x84, 0, 0, 0, 0, 0
        .byte 0xf3, 0xf3, 0x90
        .byte 0xf2, 0xf3, 0xa4
        .byte 0x3e, 0x65, 0x8b, 0x05, 0x14, 0, 0, 0
        .byte 0x26, 0x2e, 0x36, 0x3e, 0x64, 0x8b, 0x00
        lock addl $1, %fs:4(%eax)
        lock cmpxchg8b 0x12345678(%eax,%ebx,8)
        rep movsb
        repne scasb
# Operand size 16: the immediates shrink to two bytes, or stay one.
        addw $0x1234, %ax
        addw $0x1234, 8(%ebx)
        addw $0x12, 8(%ebx)
        movw $0x1234, (%ecx,%edx,2)
        testw $0x1234, %cx
        testw $0x1234, 0x10(%esi)
        testb $0x12, 0x10(%esi)
        notw 0x10(%esi)
        imulw $0x1234, %bx, %cx
        imulw $0x12, %bx, %cx
        pushw $0x1234
        movw $0x1234, %dx
        shldw $3, %ax, 4(%ebx)
        btw $3, (%eax)
        .byte 0x66, 0xe8, 0, 0
        .byte 0x66, 0xe9, 0, 0
        .byte 0x66, 0x0f, 0x84, 0, 0
        .byte 0x66, 0xc7, 0xf8, 0, 0
        .byte 0x66, 0xa1, 0x78, 0x56, 0x34, 0x12
        ljmp $0x10, $0x12345678
        lcall $0x10, $0x12345678
        ljmpw $0x10, $0x1234
        lcallw $0x10, $0x1234
        retw $4
        lretw $4
        enterw $0x1234, $3
# Address size 16: ModRM without SIB, two-byte displacements and offsets.
        addr16 movl (%bx,%si), %eax
        addr16 movl 0x12(%bp,%di), %ecx
        addr16 movl 0x1234(%bx), %ecx
        addr16 movl 0x1234, %edx
        addr16 movl $5, 0x1234(%bp,%si)
        addr16 movw $5, (%bp,%si)
        addr16 leal 0x80(%bx,%di), %eax
        .byte 0x67, 0x8b, 0x06, 0x34, 0x12
        .byte 0x67, 0xa1, 0x34, 0x12
        .byte 0x67, 0xa2, 0x34, 0x12
        .byte 0x67, 0x66, 0xa3, 0x34, 0x12
        .byte 0x67, 0x66, 0xc7, 0x06, 0x34, 0x12, 0x78, 0x56
        .byte 0x67, 0xe3, 0x00
# The one-byte map's other immediates.
        movl 0x12345678, %eax
        movb %al, %gs:0x12345678
        movl $0x12345678, 0x12345678(,%eax,4)
        movb $0x12, 0x12345678
        cmpl $0x12345678, (%esp)
        enter $0x1234, $3
        ret $8
        lret $8
        int $0x80
        aam $12
        aad $16
        in $0x60, %al
        out %al, $0x61
        int3
        into
        int1
        iret
        pusha
        popa
        daa
        aas
        xlat
        cwtl
        cltd
        sahf
        cmc
        hlt
1:      loop 1b
        jecxz 1b
        xabort $1
        xbegin 1b
        xend
        xtest
# mov to and from control and debug registers: the processor reads the
# ModRM byte as registers whatever its mod bits say.
        mov %cr0, %eax
        mov %eax, %cr3
        mov %dr7, %ecx
        mov %ecx, %dr0
        .byte 0x0f, 0x20, 0x05
        .byte 0x0f, 0x22, 0x44
        .byte 0x0f, 0x21, 0x85
        .byte 0x0f, 0x23, 0x04
# The older meanings of the vector prefixes' first bytes.
        les 4(%eax), %ecx
        lds (%esp), %edx
        les 0x12345678, %eax
        bound %eax, 8(%ebp)
        bound %ecx, 0x12345678(%esi,%edi,2)
        popl 0x12345678
        popl (%esp)
        popl 8(%esp)
        arpl %ax, (%ebx)
        lss 4(%eax), %ecx
        lfs 4(%eax), %ecx
        lgs 4(%eax), %ecx
        movw %ds, %ax
        movw %ax, %es
        movw %ss, 8(%ebp)
# 3DNow!: the opcode comes after the operands.
        pfadd 0x12345678(%eax,%ebx,4), %mm0
        pfmul 8(%ebp), %mm1
        pfsub (%esp), %mm2
        pfrcp 0x12345678, %mm3
        pswapd %mm1, %mm2
        pi2fw (%eax), %mm5
        femms
        prefetchw (%eax)
        prefetch 0x10(%eax)
# VIA PadLock.
        .byte 0x0f, 0xa7, 0xc0
        .byte 0xf3, 0x0f, 0xa7, 0xc8
        .byte 0xf3, 0x0f, 0xa7, 0xd0
        .byte 0xf3, 0x0f, 0xa6, 0xc8
        .byte 0xf3, 0x0f, 0xa6, 0xd0
# 0F 78 and 79: VMREAD and VMWRITE, or with 66 and F2 SSE4a.
        extrq $8, $4, %xmm1
        insertq $8, $4, %xmm2, %xmm1
        extrq %xmm2, %xmm1
        insertq %xmm2, %xmm1
        vmread %eax, (%ebx)
        vmread %eax, 0x12345678(%ebx)
        vmwrite 4(%ebx), %eax
        vmwrite %ecx, %eax
# Undefined-instruction forms, system and others.
        ud2
        ud1 %eax, %ecx
        ud1 8(%eax), %ecx
        ud0 0x12345678(%eax), %ecx
        popcnt 4(%eax), %ecx
        popcntw %ax, %cx
        lzcnt (%eax), %ecx
        tzcnt %eax, %ecx
        sgdt 4(%eax)
        lidt 0x12345678
        lldt %ax
        str %ax
        verr 4(%eax)
        invlpg (%eax)
        wbinvd
        invd
        rdmsr
        wrmsr
        rdpmc
        rdtsc
        rdtscp
        cpuid
        sysenter
        sysexit
        syscall
        sysret
        clts
        rsm
        monitor
        mwait
        xgetbv
        xsetbv
        vmcall
        vmlaunch
        vmresume
        vmxoff
        vmptrld (%eax)
        vmclear 4(%eax)
        vmxon (%ebx)
        invept (%eax), %ecx
        invvpid 4(%eax), %ecx
        invpcid 8(%eax), %ecx
        getsec
        stac
        clac
        endbr32
        notrack jmp *%eax
        bnd jmp *%ecx
        bnd ret
        clflushopt (%eax)
        clwb 0x40(%eax)
        xsave (%eax)
        xrstor 4(%eax)
        xsaveopt (%eax)
        fxsave 0x12345678
        fxrstor (%esp)
        rdrand %eax
        rdseed %cx
        rdpid %eax
        rdfsbase %eax
        cmpxchg8b (%esi)
        bswap %edx
        xadd %eax, (%ebx)
        shld %cl, %eax, 4(%ebx)
        shrd $7, %eax, 0x12345678
        bts %eax, (%ebx)
        btrl $31, 8(%ebx)
        movnti %eax, (%ebx)
        movbe 4(%eax), %ecx
        movbew %ax, 8(%ebx)
        crc32b 0x12345678(,%eax,4), %ecx
        crc32w %ax, %ecx
        crc32l (%eax), %ecx
        pcmpestri $0x1a, 0x10(%esi), %xmm1
        pextrw $3, %xmm1, %eax
        pinsrw $5, (%eax), %mm1
        sha1rnds4 $3, (%eax), %xmm1
        gf2p8affineqb $9, 0x12345678(%eax), %xmm2
        movdiri %eax, (%ebx)
        movdir64b (%eax), %ecx
        umonitor %eax
        tpause %eax
        cldemote (%eax)
        serialize
        wbnoinvd
        pconfig
        encls
        enclu
        nopl 0x12345678(%eax,%eax,1)
        nopw (%eax)
# XOP with memory operands, and its map 10 with four-byte immediates.
        bextr $0x0804, 0x12345678(%eax,%ecx,2), %edx
        bextr $0x0804, %eax, %edx
        lwpins $0x1234, (%eax), %ecx
        lwpval $0x1234, 0x12345678, %ecx
        llwpcb %eax
        blcfill 8(%esp), %eax
        vprotd $5, 8(%esp), %xmm1
        vprotd (%eax), %xmm2, %xmm1
        vpcmov %xmm3, 0x10(%eax), %xmm2, %xmm1
        vpcomltd 0x12345678, %xmm2, %xmm1
        vfrczps (%eax,%ebx,4), %ymm1
        vpermil2ps $2, %xmm3, (%eax), %xmm2, %xmm1
        vfmaddps %xmm3, 4(%eax), %xmm2, %xmm1
# VEX and EVEX with 16-bit addressing and segment overrides.
        addr16 vmovdqu (%bx,%si), %ymm0
        addr16 vmovdqu32 0x40(%bx), %zmm1
        addr16 vpshufd $1, 0x1234(%bp), %xmm1
        vmovdqu %fs:0x12345678, %xmm1
        vzeroupper
        vzeroall
        kmovw %k1, %eax
        kmovd 4(%eax), %k2
        kshiftrw $3, %k1, %k2
        vpternlogd $0x96, 0x12345678(%eax,%ebx,8){1to16}, %zmm2, %zmm1{%k1}{z}
        vaddps {rn-sae}, %zmm3, %zmm2, %zmm1
        vcmpps $5, 0x40(%eax), %ymm2, %k3{%k4}
        rorx $5, (%eax), %ecx
        shlx %eax, 4(%ebx), %ecx
        vldmxcsr (%eax)
        vpextrw $1, %xmm1, %eax
        vpinsrw $2, (%eax), %xmm1, %xmm2
        vblendvps %xmm3, (%eax), %xmm2, %xmm1
        vpsrldq $4, %ymm1, %ymm2
        vpslld $4, %zmm1, %zmm2
        vpsllq $4, 0x100(%eax), %zmm2
# x87.
        fldt 0x12345678
        fnstcw (%esp)
        fstcw 2(%esp)
        fwait
        fld %st(3)
        fxch %st(2)
        fucomip %st(1), %st
        fnstsw %ax
        fstsw %ax
        fnstenv (%eax)
        fstenv 4(%eax)
        fnsave (%eax)
        fsave 4(%eax)
        frstor (%eax)
        finit
        fninit
        fclex
        fnclex
        fisttpll (%eax)
        fildll 8(%esp)
        fbld (%eax)
        fbstp 4(%eax)
        fsin
        fyl2xp1
        f2xm1
        fldz
        fcmovnbe %st(1), %st
        faddp %st, %st(3)
        fdivrs 4(%eax)
        fimull 0x12345678
        ffreep %st(1)
        fnop
        ret
